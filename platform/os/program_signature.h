#pragma once
// Whether a program file carries a valid Authenticode signature that the system trusts (WinVerifyTrust
// with the generic verify action, no user interface, the whole chain checked). A downloaded installer is
// started only after it passes. Tests set a checker that answers instead; POSIX builds trust nothing.
#include <string>

namespace os {

struct SignatureCheck {
  bool trusted = false;
  std::u16string reason;  // why it is not trusted, in words for the user; empty when trusted
};

SignatureCheck CheckProgramSignature(const char16_t* path);

using SignatureChecker = SignatureCheck (*)(const char16_t* path, void* context);
// Routes CheckProgramSignature to checker (null: back to the system).
void SetSignatureChecker(SignatureChecker checker, void* context);

}  // namespace os
