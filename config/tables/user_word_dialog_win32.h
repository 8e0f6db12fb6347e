#pragma once
// 手动加词 (dialog 153): adds one word with its code to main.dmg, or changes one, proposing the code while
// the word is typed. Opened by the command words for user words and by the table browser.
#include <windows.h>

#include <cstdint>
#include <string>

#include "config/app/config_context_win32.h"
#include "config/tables/user_word.h"

namespace lz::config {

struct UserWordStart {
  int mode = kUserWordMode;
  std::uint32_t record_class = 2;  // the user-word class
  std::int32_t position = -1;      // modify mode: the record's place in main.dmg's offset table
  std::u16string word;             // modify mode: shown at start
  std::u16string code;
};

// Runs the dialog modally; IDOK when a word was stored, IDCANCEL otherwise, -1 when it could not show.
INT_PTR RunUserWordDialog(HINSTANCE module, ConfigContext* context, const UserWordStart& start, HWND owner);

}  // namespace lz::config
