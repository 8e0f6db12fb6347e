#include "tracker/dialogs/memo_text.h"

#include <cmath>
#include <filesystem>
#include <system_error>

#include "platform/os/ansi_code_page.h"
#include "platform/os/ansi_encode.h"
#include "platform/os/utf8_text.h"
#include "platform/os/whole_file.h"
#include "tracker/main/numeric_value.h"

namespace tracker {
namespace {

constexpr std::uint8_t kUtf8Mark[] = {0xEF, 0xBB, 0xBF};
constexpr char16_t kMemoFileName[] = u"PenduloMemo.txt";

char16_t Fold(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  if (c >= 0x391 && c <= 0x3A9) return static_cast<char16_t>(c + 32);
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
  return c;
}

std::optional<TextSelection> Search(std::u16string_view memo, const std::u16string& what, MemoFind& find) {
  const long long start = find.start < 1 ? 1 : find.start;
  const std::size_t from = static_cast<std::size_t>(start - 1);
  if (from >= memo.size() || what.size() > memo.size() - from) return std::nullopt;
  for (std::size_t i = from; i + what.size() <= memo.size(); ++i) {
    std::size_t j = 0;
    while (j < what.size() && Fold(memo[i + j]) == Fold(what[j])) ++j;
    if (j == what.size()) {
      find.start = static_cast<long long>(i) + 2;
      return TextSelection{i, what.size()};
    }
  }
  return std::nullopt;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// Marked UTF-8 decodes whole or not at all: a broken sequence makes the file unreadable.
std::optional<std::u16string> Utf8(const std::uint8_t* p, std::size_t n) {
  std::u16string out;
  for (std::size_t i = 0; i < n;) {
    const os::Utf8Sequence sequence = os::DecodeUtf8Sequence(p + i, n - i);
    if (!sequence.valid) return std::nullopt;
    os::AppendUtf16(sequence.code_point, out);
    i += sequence.length;
  }
  return out;
}

}  // namespace

std::optional<TextSelection> FindInMemo(std::u16string_view memo, const std::u16string& answer, MemoFind& find) {
  if (answer != find.text) {
    find.text = answer;
    find.start = 1;
  }
  return Search(memo, answer, find);
}

std::optional<TextSelection> FindNextInMemo(std::u16string_view memo, MemoFind& find) {
  return Search(memo, find.text, find);
}

std::u16string NotFoundMessage(const std::u16string& text) { return u"String '" + text + u"' not found."; }

void FindFromCaret(MemoFind& find, std::size_t caret) { find.start = static_cast<long long>(caret); }

std::size_t TrimmedLineLength(std::u16string_view line) {
  std::size_t end = line.size();
  while (end > 0 && (IsBlank(line[end - 1]) || line[end - 1] == u'\r' || line[end - 1] == u'\n')) --end;
  return end;
}

TextSelection SelectLineAt(std::u16string_view memo, std::size_t caret) {
  if (caret > memo.size()) caret = memo.size();
  std::size_t begin = caret;
  while (begin > 0 && memo[begin - 1] != u'\n') --begin;
  std::size_t end = caret;
  while (end < memo.size() && memo[end] != u'\n') ++end;
  return TextSelection{begin, TrimmedLineLength(memo.substr(begin, end - begin))};
}

std::size_t CaretJumpOffset(CaretJump jump, std::size_t length) {
  const double l = static_cast<double>(length);
  double at = 0;
  switch (jump) {
    case CaretJump::kBeginning:
      at = 0;
      break;
    case CaretJump::kQuarter:
      at = l / 4;
      break;
    case CaretJump::kMiddle:
      at = l / 2;
      break;
    case CaretJump::kThreeQuarter:
      at = (l / 4) * 3;
      break;
    case CaretJump::kEnd:
      at = l;
      break;
  }
  return static_cast<std::size_t>(RoundHalfEven(at));
}

std::u16string MemoPath(const std::u16string& program_folder) {
  if (!program_folder.empty() && program_folder.back() == u'\\') return program_folder + kMemoFileName;
  return program_folder + u"\\" + kMemoFileName;
}

std::optional<std::u16string> DecodeMemoFile(const std::vector<std::uint8_t>& b) {
  const std::size_t n = b.size();
  if (n >= 3 && b[0] == kUtf8Mark[0] && b[1] == kUtf8Mark[1] && b[2] == kUtf8Mark[2]) return Utf8(b.data() + 3, n - 3);
  if (n >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
    if (n % 2 != 0) return std::nullopt;
    const bool big = b[0] == 0xFE;
    std::u16string out;
    for (std::size_t i = 2; i + 1 < n; i += 2) {
      out += static_cast<char16_t>(big ? (b[i] << 8) | b[i + 1] : (b[i + 1] << 8) | b[i]);
    }
    return out;
  }
  return os::AnsiToWide(b.data(), n);
}

std::vector<std::uint8_t> EncodeMemoFile(std::u16string_view text) {
  std::string ansi;
  if (os::WideToAnsi(text, ansi)) return std::vector<std::uint8_t>(ansi.begin(), ansi.end());
  std::vector<std::uint8_t> out(std::begin(kUtf8Mark), std::end(kUtf8Mark));
  const std::string utf8 = os::Utf16ToUtf8(text);
  out.insert(out.end(), utf8.begin(), utf8.end());
  return out;
}

std::u16string MemoTextForBox(std::u16string_view file_text) {
  std::u16string text(file_text);
  for (char16_t& c : text) {
    if (c == u'\0') c = kNulStandIn;
  }
  return text;
}

std::u16string MemoTextForFile(std::u16string_view box_text) {
  std::u16string text(box_text);
  for (char16_t& c : text) {
    if (c == kNulStandIn) c = u'\0';
  }
  return text;
}

MemoFile::LoadState MemoFile::Load(std::u16string& text) {
  text.clear();
  std::vector<std::uint8_t> bytes;
  std::error_code error;
  const bool exists = std::filesystem::exists(std::filesystem::path(path_), error);
  LoadState state = LoadState::kMissing;
  if (exists) {
    std::optional<std::u16string> decoded;
    if (os::ReadWholeFile(path_.c_str(), bytes)) decoded = DecodeMemoFile(bytes);
    if (decoded) {
      text = std::move(*decoded);
      state = LoadState::kLoaded;
    } else {
      state = LoadState::kUnreadable;
    }
  }
  // Once a file could not be read, no later load of the run makes it writable again.
  if (state_ != LoadState::kUnreadable || !loaded_once_) state_ = state;
  loaded_once_ = true;
  return state;
}

MemoFile::SaveResult MemoFile::Save(std::u16string_view text) {
  if (state_ == LoadState::kUnreadable) return SaveResult::kRefused;
  if (!os::ReplaceWholeFile(path_.c_str(), EncodeMemoFile(text))) return SaveResult::kFailed;
  state_ = LoadState::kLoaded;
  return SaveResult::kSaved;
}

std::u16string MemoSaveMessage(MemoFile::SaveResult result, const std::u16string& path) {
  switch (result) {
    case MemoFile::SaveResult::kSaved:
      return {};
    case MemoFile::SaveResult::kRefused:
      return u"The memo file " + path + u" could not be read when the memo opened, so it is not written over.";
    case MemoFile::SaveResult::kFailed:
      return u"The memo could not be written to " + path + u".";
  }
  return {};
}

std::u16string MemoKeepQuestion(MemoFile::SaveResult result, const std::u16string& path) {
  return MemoSaveMessage(result, path) +
         u"\r\n\r\nOK saves the memo's text to another file; Cancel keeps the memo open with its text.";
}

std::u16string MemoUnreadableMessage(const std::u16string& path) {
  return u"The memo file " + path +
         u" could not be read, so the memo opens empty and the file is kept as it is. What you write here is "
         u"offered to be saved to another file when the memo closes.";
}

}  // namespace tracker
