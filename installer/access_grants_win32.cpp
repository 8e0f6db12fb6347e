#include "installer/access_grants_win32.h"

#include <aclapi.h>
#include <sddl.h>

namespace lz::installer {
namespace {

constexpr const wchar_t* kAllApplicationPackages = L"S-1-15-2-1";
constexpr const wchar_t* kUsers = L"S-1-5-32-545";
constexpr DWORD kReadExecute = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
constexpr DWORD kModify = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;

struct Sid {
  explicit Sid(const wchar_t* text) { ConvertStringSidToSidW(text, &sid); }
  ~Sid() { LocalFree(sid); }
  Sid(const Sid&) = delete;
  Sid& operator=(const Sid&) = delete;
  PSID sid = nullptr;
};

EXPLICIT_ACCESSW Entry(PSID sid, DWORD rights, bool is_folder) {
  EXPLICIT_ACCESSW entry{};
  entry.grfAccessPermissions = rights;
  entry.grfAccessMode = SET_ACCESS;
  entry.grfInheritance = is_folder ? SUB_CONTAINERS_AND_OBJECTS_INHERIT : NO_INHERITANCE;
  entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  entry.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  entry.Trustee.ptstrName = static_cast<LPWSTR>(sid);
  return entry;
}

}  // namespace

PACL BuildGrantAcl(PACL old_acl, Grant grant, bool is_folder) {
  Sid packages(kAllApplicationPackages);
  Sid users(kUsers);
  if (!packages.sid || !users.sid) return nullptr;
  EXPLICIT_ACCESSW entries[2];
  ULONG count = 0;
  if (grant == Grant::kBinary) {
    entries[count++] = Entry(packages.sid, kReadExecute, is_folder);
  } else {
    entries[count++] = Entry(users.sid, kModify, is_folder);
    entries[count++] = Entry(packages.sid, kModify, is_folder);
  }
  PACL result = nullptr;
  if (SetEntriesInAclW(count, entries, old_acl, &result) != ERROR_SUCCESS) return nullptr;
  return result;
}

bool GrantAccess(const wchar_t* path, Grant grant) {
  const DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  PACL old_acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(path, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &old_acl, nullptr,
                            &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  PACL new_acl = BuildGrantAcl(old_acl, grant, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
  bool ok = false;
  if (new_acl) {
    // Unprotected: the entries inherited from the folder above stay in force.
    ok = SetNamedSecurityInfoW(const_cast<wchar_t*>(path), SE_FILE_OBJECT,
                               DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                               new_acl, nullptr) == ERROR_SUCCESS;
    LocalFree(new_acl);
  }
  LocalFree(descriptor);
  return ok;
}

}  // namespace lz::installer
