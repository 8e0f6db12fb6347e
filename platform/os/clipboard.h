#pragma once
// The clipboard's text (the clipboard macro of command words, the dictionary look-up). POSIX builds keep
// an in-process clipboard that tests fill.
#include <string>
#include <string_view>

namespace os {

// The clipboard's Unicode text, empty when it holds none; false only when it cannot be opened.
bool ReadClipboardText(std::u16string& out);
bool WriteClipboardText(std::u16string_view text);
// Empties the clipboard; false when it cannot be opened.
bool EmptyClipboardText();

}  // namespace os
