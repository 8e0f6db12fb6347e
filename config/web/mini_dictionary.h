#pragma once
// 微型词典's decisions: which dictionary entries a word lists, the explanation and codes texts shown for
// it, the back/forward history, the web look-up addresses and the word another run hands over. Results are
// record offsets into dict.dms, read again (and checked against the view) when they are shown.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "textservice/engine/mapped_file.h"

namespace lz::config {

constexpr char16_t kNoExplanation[] = u"词典中尚未收录该词条.";
constexpr char16_t kCodesPrefix[] = u"编码: ";
constexpr char16_t kNoCodes[] = u"未能找到 %s 的编码";

// Two zero-terminated dictionary keys: the shorter first, equal lengths by their bytes (unsigned).
// -1, 0 or +1.
int CompareDictKeys(const std::uint8_t* a, const std::uint8_t* b);

// The entries around the word: nothing unless a key equals the word; then every key that begins with the
// word, by CompareDictKeys (equal keys by their place in the file).
std::vector<std::uint32_t> CollectDictionaryPrefix(const MappedFile* dict, std::u16string_view word);

// 全目录模糊查询: the text without its blanks; every entry whose key holds it, by CompareDictKeys (equal
// keys in table order). Nothing for a text that is only blanks.
std::vector<std::uint32_t> SearchWholeDictionary(const MappedFile* dict, std::u16string_view text);

// The key of the entry at a record offset; empty when the record does not lie whole inside the view.
std::u16string DictionaryKeyText(const MappedFile* dict, std::uint32_t offset);

// Every explanation of the word, each followed by "\r\n", in file order; kNoExplanation when none.
std::u16string ExplanationText(const MappedFile* dict, std::u16string_view word);

// "编码: " and, for every main.dmg record whose word is this word in table order, a blank and its code;
// "未能找到 <word> 的编码" when there is none.
std::u16string CodesLine(const MappedFile* main, std::u16string_view word);

// The words searched, for 后退 and 前进: at most kHistoryWords, the oldest dropped first.
constexpr std::size_t kHistoryWords = 33;

class DictionaryHistory {
 public:
  // A search of word starts: recorded unless it came from moving through the history; a word equal to
  // the current one is not added again. Entries after the current one are dropped first.
  void Searched(std::u16string_view word);
  // The word before / after the current one, moving there; nullopt at the ends. The next Searched does not
  // record it.
  std::optional<std::u16string> Back();
  std::optional<std::u16string> Forward();
  bool CanGoBack() const { return position_ > 1; }
  bool CanGoForward() const { return position_ < words_.size(); }
  const std::vector<std::u16string>& words() const { return words_; }
  std::size_t position() const { return position_; }  // 1-based; 0 while empty

 private:
  std::vector<std::u16string> words_;
  std::size_t position_ = 0;
  bool recording_ = true;
};

// The look-up menu's web commands.
enum LookupCommand : int {
  kLookupHandian = 33045,  // 汉典 查询
  kLookupCiba = 33047,     // 词霸 查询
  kLookupBaidu = 33050,    // 百度 搜索
  kLookupGoogle = 33051,   // 谷歌 搜索
};

// The address opened for a look-up command, empty for another id. The word is a query value, so it is
// escaped whole first (everything but letters, digits and - . _ ~ as UTF-8 escapes): "a&b", "C++" and
// "50%" stay one word. Then the address as a whole takes the table-text percent-encoding.
std::u16string LookupAddress(int command, std::u16string_view word);

// The word in a WM_COPYDATA block from another dictionary run. nullopt (nothing happens) unless dwData is 0
// and the block holds at least one whole unit; read up to the first zero within the block (whole units, at
// most 256 bytes) and cut at 127 characters.
constexpr std::size_t kCopyDataBytes = 256;
std::optional<std::u16string> ReadHandedWord(std::uintptr_t kind, std::uint32_t bytes, const void* data);

}  // namespace lz::config
