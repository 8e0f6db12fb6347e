#pragma once
// The one place where the engine's UTF-16 text meets the OS's own string types.
#include <string>

#ifdef _WIN32
#include <cwchar>
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide strings are UTF-16");
#endif

namespace os {

#ifdef _WIN32
inline const wchar_t* WidePtr(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }
inline wchar_t* WidePtr(char16_t* s) { return reinterpret_cast<wchar_t*>(s); }
inline const char16_t* U16Ptr(const wchar_t* s) { return reinterpret_cast<const char16_t*>(s); }
#else
// UTF-16 path -> UTF-8 bytes for the POSIX calls; an unpaired surrogate becomes U+FFFD.
std::string NativePath(const char16_t* path);
#endif

}  // namespace os
