#pragma once
// The memo's commands over its text as plain functions: find and find next with their start position,
// the caret's line for Select Line, the caret jumps; and the memo file, read in any of its encodings and
// written so that no character is lost, never over a file that could not be read.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tracker {

struct TextSelection {
  std::size_t start = 0;  // character offset
  std::size_t length = 0;
};

// Find and Find Next: the text last searched for and the 1-based position the next search begins at.
struct MemoFind {
  std::u16string text;
  long long start = 1;
};

// Find with the user's answer: a new text starts again at the first character. Returns the selection,
// or nothing when the text does not occur from the start position on (case ignored).
std::optional<TextSelection> FindInMemo(std::u16string_view memo, const std::u16string& answer, MemoFind& find);
// Find Next: the last text again from where the last hit left off.
std::optional<TextSelection> FindNextInMemo(std::u16string_view memo, MemoFind& find);
// "String '" + text + "' not found."
std::u16string NotFoundMessage(const std::u16string& text);
// A click into a box: the next search begins at the caret's offset taken as a 1-based position.
void FindFromCaret(MemoFind& find, std::size_t caret);

// Select Line: the line the caret stands on (lines end at CR LF or LF), from its first character up to
// its last non-blank one.
TextSelection SelectLineAt(std::u16string_view memo, std::size_t caret);
// The length of a line's text up to its last non-blank character.
std::size_t TrimmedLineLength(std::u16string_view line);

enum class CaretJump { kBeginning, kQuarter, kMiddle, kThreeQuarter, kEnd };
// The caret's offset for a jump in a text of length characters (halves to even).
std::size_t CaretJumpOffset(CaretJump jump, std::size_t length);

// The memo file beside the program: the folder + "\PenduloMemo.txt", one backslash at a drive root.
std::u16string MemoPath(const std::u16string& program_folder);

// The file's text: UTF-8 or UTF-16 (either order) after their mark, else the ANSI code page. Nothing
// when a marked text does not decode.
std::optional<std::u16string> DecodeMemoFile(const std::vector<std::uint8_t>& bytes);
// ANSI when every character has its form in the code page, else UTF-8 with its mark.
std::vector<std::uint8_t> EncodeMemoFile(std::u16string_view text);

// A text box ends its text at a NUL, so the boxes show each NUL of the file as this stand-in, and a memo
// written back turns the stand-ins into NULs again.
inline constexpr char16_t kNulStandIn = u'\u2400';  // SYMBOL FOR NULL
std::u16string MemoTextForBox(std::u16string_view file_text);
std::u16string MemoTextForFile(std::u16string_view box_text);

// The memo file over a run: what the load found decides whether saves may write it.
class MemoFile {
 public:
  enum class LoadState { kMissing, kLoaded, kUnreadable };
  enum class SaveResult { kSaved, kRefused, kFailed };

  explicit MemoFile(std::u16string path) : path_(std::move(path)) {}

  // Reads the whole file; an existing file that cannot be read or decoded is kept from every save of
  // the run.
  LoadState Load(std::u16string& text);
  // Writes the text through a temporary file that then replaces the memo.
  SaveResult Save(std::u16string_view text);

  LoadState state() const { return state_; }
  const std::u16string& path() const { return path_; }

 private:
  std::u16string path_;
  LoadState state_ = LoadState::kMissing;
  bool loaded_once_ = false;
};

// What Save tells when it refuses or fails.
std::u16string MemoSaveMessage(MemoFile::SaveResult result, const std::u16string& path);
// What closing the memo asks when its text could not be written: save it to another file, or stay open.
std::u16string MemoKeepQuestion(MemoFile::SaveResult result, const std::u16string& path);
// What the memo says when it opens over a file it could not read.
std::u16string MemoUnreadableMessage(const std::u16string& path);

}  // namespace tracker
