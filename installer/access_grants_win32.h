#pragma once
// Access rights the installer grants, by well-known SID (never by an account name, which is translated
// on localised Windows, and never full control for everyone): the libraries and programs keep their
// inherited rights and get read and execute for ALL APPLICATION PACKAGES, so sandboxed applications can
// load the text service; the data folder gets modify for Users and ALL APPLICATION PACKAGES, so every
// process that hosts the text service can write its tables.
#include <windows.h>

namespace lz::installer {

enum class Grant { kBinary, kDataFolder };

// The DACL that results from adding the grant to old_acl (which may be null): the grant's entries
// replace any explicit entries of the same SIDs, everything else is kept. Null on failure; the caller
// frees the result with LocalFree.
PACL BuildGrantAcl(PACL old_acl, Grant grant, bool is_folder);

// Adds the grant to the file or folder's DACL. False when it could not be read, built or written.
bool GrantAccess(const wchar_t* path, Grant grant);

}  // namespace lz::installer
