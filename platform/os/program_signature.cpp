#include "platform/os/program_signature.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>

#include <softpub.h>
#include <wintrust.h>

#include "platform/os/native_path.h"
#endif

namespace os {
namespace {

std::atomic<SignatureChecker> g_checker{nullptr};
std::atomic<void*> g_context{nullptr};

#ifdef _WIN32
std::u16string ReasonText(LONG status) {
  switch (static_cast<unsigned long>(status)) {
    case static_cast<unsigned long>(TRUST_E_NOSIGNATURE):
      return u"安装程序没有数字签名";
    case static_cast<unsigned long>(TRUST_E_BAD_DIGEST):
      return u"安装程序的数字签名与内容不符";
    case static_cast<unsigned long>(CERT_E_UNTRUSTEDROOT):
    case static_cast<unsigned long>(CERT_E_CHAINING):
      return u"安装程序的签名证书不受信任";
    case static_cast<unsigned long>(CERT_E_EXPIRED):
      return u"安装程序的签名证书已过期";
    case static_cast<unsigned long>(CERT_E_REVOKED):
      return u"安装程序的签名证书已被吊销";
    default:
      return u"安装程序的数字签名无效";
  }
}
#endif

}  // namespace

void SetSignatureChecker(SignatureChecker checker, void* context) {
  g_context = context;
  g_checker = checker;
}

SignatureCheck CheckProgramSignature(const char16_t* path) {
  if (const SignatureChecker checker = g_checker) return checker(path, g_context);
  SignatureCheck check;
#ifdef _WIN32
  WINTRUST_FILE_INFO file{};
  file.cbStruct = sizeof file;
  file.pcwszFilePath = WidePtr(path);
  WINTRUST_DATA data{};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const LONG status = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  check.trusted = status == ERROR_SUCCESS;
  if (!check.trusted) check.reason = ReasonText(status);
#else
  (void)path;
  check.reason = u"无法检查安装程序的数字签名";
#endif
  return check;
}

}  // namespace os
