#pragma once
// UTF-16 text in the system's ANSI code page, for files that the profile functions read as ANSI.
#include <string>
#include <string_view>

namespace os {

// WideCharToMultiByte(CP_ACP) without best-fit mapping on Windows; POSIX builds take ISO 8859-1 (the
// counterpart of AnsiToWide there). False when some character has no form in the code page; out then
// holds the text with '?' in its place.
bool WideToAnsi(std::u16string_view text, std::string& out);

}  // namespace os
