#pragma once
// The user-word dialog's decisions: which word and code it accepts, what adding or changing a word does
// to main.dmg, the code it proposes while a word is typed, and the word it shows from a source text in
// online adding.
#include <cstdint>
#include <string>
#include <string_view>

#include "textservice/engine/byte_view.h"
#include "textservice/engine/mapped_file.h"

namespace lz::config {

constexpr int kUserWordMode = 0;        // add
constexpr int kUserWordOnlineMode = 1;  // add from the text just typed or the clipboard
constexpr int kUserWordModifyMode = 2;  // change the record at a position

constexpr int kUserWordTextUnits = 255;   // the word, the code and the online source are cut here
constexpr int kMaxOnlineWordLength = 30;
constexpr int kFirstOnlineWordLength = 2;
constexpr int kMaxProposedWordCharacters = 29;

// The hint and error texts of the dialog.
inline constexpr char16_t kEmptyWordText[] = u"词条不能为空";
inline constexpr char16_t kEmptyCodeText[] = u"编码不能为空";
inline constexpr char16_t kCodeNotKeysText[] = u"编码不能非键盘字符";
inline constexpr char16_t kInvalidRecordText[] = u"非法的定义.";
inline constexpr char16_t kPresentText[] = u"词条已存在";
inline constexpr char16_t kUndeletedText[] = u"取消删除，并已更改排序";
inline constexpr char16_t kAddFailedText[] = u"加词失败";
inline constexpr char16_t kWordLengthHint[] = u"可用 ↑、↓ 更改词长";

// Empty when the word and code may be stored, else the text that says why not. A code holds printable
// ASCII other than "#" (which would start a tag) and the full-width keypad keys U+FF0A..U+FF19.
std::u16string CheckUserWordInput(std::u16string_view word, std::u16string_view code);

enum class UserWordOutcome {
  kAdded,      // a new record
  kUndeleted,  // a deleted record of the same code and text came back
  kPresent,    // refused: the record is there
  kInvalid,    // refused: no record can be made of the word and code
  kFailed,     // refused: the table cannot be written or grown
};

struct UserWordRequest {
  std::u16string word;
  std::u16string code;
  std::uint32_t record_class = 2;
  bool pinned = false;
  std::int32_t position = -1;  // modify: the position of the record being changed
};

// Adds the word to main.dmg (or changes the record at the request's position), all under the table's
// writer lock. A change is checked whole before the old record goes: a refused change keeps it.
UserWordOutcome StoreUserWord(MappedFile* main_table, const UserWordRequest& request);

// The static text an outcome shows; empty for an added word.
const char16_t* UserWordOutcomeText(UserWordOutcome outcome);

// The code the dialog proposes for a typed word: the rule for its length (1..29 characters) over the
// single-character index; empty for other lengths, a broken surrogate pair or no rules.
std::u16string ProposeWordCode(const MappedFile* characters, ByteView dme, std::u16string_view word);

// The last n characters of the source (a surrogate pair is one).
std::u16string LastCharacters(std::u16string_view source, int n);
// Up (+1, at most 30) or Down (-1, at least 0), then limited to the source's characters.
int StepWordLength(std::u16string_view source, int n, int step);

}  // namespace lz::config
