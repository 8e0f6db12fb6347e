#include "config/web/mini_dictionary.h"

#include <algorithm>
#include <cstring>

#include "textservice/engine/byte_view.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/dictionary_table.h"
#include "textservice/engine/text_decoding.h"
#include "textservice/engine/text_encoding.h"

namespace lz::config {
namespace {

ByteView ViewOf(const MappedFile* table) {
  if (!table || !table->view || table->size <= 0) return {};
  return ByteView{table->view, static_cast<std::uint32_t>(table->size)};
}

// The word's key form (UTF-8, zero-terminated); empty for an empty word, a broken surrogate pair or a
// form of 250 bytes or more, which no key can equal.
std::string KeyForm(std::u16string_view word) {
  if (word.empty()) return {};
  const std::u16string text(word);
  std::uint8_t key[kTableStringBufferBytes] = {};
  const int length = WideToUtf8Key(text.c_str(), key);
  if (length <= 0 || length >= static_cast<int>(code_table::kMaxStringBytes)) return {};
  return std::string(reinterpret_cast<const char*>(key), static_cast<std::size_t>(length));
}

// The entry at a position of the offset table, read whole from the view.
bool EntryAt(const MappedFile* dict, std::int32_t position, DictionaryRecord& entry) {
  std::uint32_t offset = 0;
  return RecordOffsetAt(dict, position, offset) && ReadDictionaryRecord(ViewOf(dict), offset, entry);
}

std::string_view KeyOf(const DictionaryRecord& entry) {
  return {reinterpret_cast<const char*>(entry.key), std::strlen(reinterpret_cast<const char*>(entry.key))};
}

// Sorts offsets of readable entries by CompareDictKeys, keeping the given order among equal keys.
void SortByKeys(const MappedFile* dict, std::vector<std::uint32_t>& offsets) {
  const ByteView view = ViewOf(dict);
  std::stable_sort(offsets.begin(), offsets.end(), [&](std::uint32_t a, std::uint32_t b) {
    DictionaryRecord x, y;
    ReadDictionaryRecord(view, a, x);
    ReadDictionaryRecord(view, b, y);
    return CompareDictKeys(x.key, y.key) < 0;
  });
}

// Letters, digits and - . _ ~ stand for themselves in a query value; everything else is escaped.
bool Unreserved(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.' ||
         c == u'_' || c == u'~';
}

void AppendEscape(std::u16string& out, unsigned byte) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  out += u'%';
  out += kDigits[(byte >> 4) & 0xF];
  out += kDigits[byte & 0xF];
}

std::u16string EscapeQueryValue(std::u16string_view word) {
  std::u16string out;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const char16_t c = word[i];
    if (Unreserved(c)) {
      out += c;
      continue;
    }
    char32_t point = c;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < word.size() && word[i + 1] >= 0xDC00 && word[i + 1] <= 0xDFFF) {
      point = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (word[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      point = 0xFFFD;  // half a pair is no character
    }
    if (point < 0x80) {
      AppendEscape(out, point);
    } else if (point < 0x800) {
      AppendEscape(out, 0xC0 | (point >> 6));
      AppendEscape(out, 0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
      AppendEscape(out, 0xE0 | (point >> 12));
      AppendEscape(out, 0x80 | ((point >> 6) & 0x3F));
      AppendEscape(out, 0x80 | (point & 0x3F));
    } else {
      AppendEscape(out, 0xF0 | (point >> 18));
      AppendEscape(out, 0x80 | ((point >> 12) & 0x3F));
      AppendEscape(out, 0x80 | ((point >> 6) & 0x3F));
      AppendEscape(out, 0x80 | (point & 0x3F));
    }
  }
  return out;
}

struct LookupSite {
  int command;
  const char16_t* format;  // %s: the word
};

// The sites named by the menu: 汉典, 词霸, 谷歌, 百度.
constexpr LookupSite kLookupSites[] = {
    {kLookupHandian, u"http://www.zdic.net/search/?q=%s"},
    {kLookupCiba, u"http://www.iciba.com/%s"},
    {kLookupGoogle, u"https://www.google.com/search?newwindow=1&source=hp&q=%s"},
    {kLookupBaidu, u"http://www.baidu.com/s?wd=%s"},
};

constexpr std::size_t kAddressChars = 511;  // 512-character buffers with their terminator

}  // namespace

int CompareDictKeys(const std::uint8_t* a, const std::uint8_t* b) {
  const std::size_t na = std::strlen(reinterpret_cast<const char*>(a));
  const std::size_t nb = std::strlen(reinterpret_cast<const char*>(b));
  if (na != nb) return na < nb ? -1 : 1;
  const int c = std::memcmp(a, b, na);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::vector<std::uint32_t> CollectDictionaryPrefix(const MappedFile* dict, std::u16string_view word) {
  std::vector<std::uint32_t> found;
  const std::string key = KeyForm(word);
  if (key.empty() || !ViewOf(dict).data) return found;
  const int hit = FindRecordByKey(dict, reinterpret_cast<const std::uint8_t*>(key.c_str()));
  if (hit <= 0) return found;
  const auto begins_with_word = [&](std::int32_t position, std::uint32_t& offset) {
    DictionaryRecord entry;
    if (!EntryAt(dict, position, entry)) return false;
    offset = entry.offset;
    return KeyOf(entry).substr(0, key.size()) == key;
  };
  const auto count = static_cast<std::int32_t>(RecordCount(dict));
  std::uint32_t offset = 0;
  for (std::int32_t p = hit - 1; p >= 0 && begins_with_word(p, offset); --p) found.push_back(offset);
  for (std::int32_t p = hit; p < count && begins_with_word(p, offset); ++p) found.push_back(offset);
  std::sort(found.begin(), found.end());
  SortByKeys(dict, found);
  return found;
}

std::vector<std::uint32_t> SearchWholeDictionary(const MappedFile* dict, std::u16string_view text) {
  std::u16string word(text);
  std::erase(word, u' ');
  std::vector<std::uint32_t> found;
  if (word.empty() || !ViewOf(dict).data) return found;
  const std::u16string cut(word.substr(0, code_table::kMaxStringBytes));
  std::uint8_t bytes[kTableStringBufferBytes + 4] = {};
  // Cut at 250 bytes of UTF-8, on a whole character.
  const int needed = WideToUtf8(cut.c_str(), bytes, static_cast<int>(code_table::kMaxStringBytes));
  if (needed <= 0) return found;
  const std::string needle(reinterpret_cast<const char*>(bytes));
  if (needle.empty()) return found;
  const auto count = static_cast<std::int32_t>(RecordCount(dict));
  for (std::int32_t p = 0; p < count; ++p) {
    DictionaryRecord entry;
    if (EntryAt(dict, p, entry) && KeyOf(entry).find(needle) != std::string_view::npos) found.push_back(entry.offset);
  }
  SortByKeys(dict, found);
  return found;
}

std::u16string DictionaryKeyText(const MappedFile* dict, std::uint32_t offset) {
  DictionaryRecord entry;
  if (!ReadDictionaryRecord(ViewOf(dict), offset, entry)) return {};
  const std::string_view key = KeyOf(entry);
  return Utf8BytesToWide(reinterpret_cast<const std::uint8_t*>(key.data()), key.size());
}

std::u16string ExplanationText(const MappedFile* dict, std::u16string_view word) {
  std::u16string text;
  if (!word.empty() && ViewOf(dict).data) {
    const std::u16string key(word);
    IntArray* found = nullptr;
    const int count = FindAllRecordsByWord(key.c_str(), dict, &found);
    for (int i = 0; found && i < count; ++i) {
      std::u16string explanation;
      if (ReadDictionaryExplanation(ViewOf(dict), static_cast<std::uint32_t>(found->items[i]), kExplanationUnits,
                                    explanation)) {
        text += explanation + u"\r\n";
      }
    }
    if (found) IntArrayFree(found);
  }
  return text.empty() ? std::u16string(kNoExplanation) : text;
}

std::u16string CodesLine(const MappedFile* main, std::u16string_view word) {
  std::u16string line = kCodesPrefix;
  bool any = false;
  const std::string key = KeyForm(word);
  const auto count = static_cast<std::int32_t>(key.empty() || !ViewOf(main).data ? 0 : RecordCount(main));
  for (std::int32_t p = 0; p < count; ++p) {
    CodeTableRecord record;
    if (!RecordAt(main, p, record) || !record.text || record.text_length != key.size() ||
        std::memcmp(record.text, key.data(), key.size()) != 0) {
      continue;
    }
    char16_t code[kCodeBufferUnits] = {};
    RecordCode(record, code);
    line += u' ';
    line += code;
    any = true;
  }
  if (any) return line;
  std::u16string none = kNoCodes;
  none.replace(none.find(u"%s"), 2, word);
  return none;
}

void DictionaryHistory::Searched(std::u16string_view word) {
  const bool record = recording_;
  recording_ = true;
  if (!record || word.empty()) return;
  words_.resize(position_);
  if (words_.size() > kHistoryWords - 1) {
    words_.erase(words_.begin());
    if (position_ > 1) --position_;
  }
  if (words_.empty() || words_[position_ - 1] != word) {
    words_.emplace_back(word);
    position_ = words_.size();
  }
}

std::optional<std::u16string> DictionaryHistory::Back() {
  if (!CanGoBack()) return std::nullopt;
  recording_ = false;
  --position_;
  return words_[position_ - 1];
}

std::optional<std::u16string> DictionaryHistory::Forward() {
  if (!CanGoForward()) return std::nullopt;
  recording_ = false;
  ++position_;
  return words_[position_ - 1];
}

std::u16string LookupAddress(int command, std::u16string_view word) {
  for (const LookupSite& site : kLookupSites) {
    if (site.command != command) continue;
    std::u16string address = site.format;
    address.replace(address.find(u"%s"), 2, EscapeQueryValue(word));
    if (address.size() > kAddressChars) address.resize(kAddressChars);
    char16_t encoded[kUrlBufferChars] = {};
    UrlEncodeUtf8(encoded, address.c_str());
    return encoded;
  }
  return {};
}

std::optional<std::u16string> ReadHandedWord(std::uintptr_t kind, std::uint32_t bytes, const void* data) {
  if (kind != 0 || !data) return std::nullopt;
  const std::size_t units = std::min<std::size_t>(bytes, kCopyDataBytes) / sizeof(char16_t);
  if (units == 0) return std::nullopt;
  std::u16string word(units, u'\0');
  std::memcpy(word.data(), data, units * sizeof(char16_t));
  word.resize(std::min(word.find(u'\0'), word.size()));
  constexpr std::size_t kWordChars = kCopyDataBytes / sizeof(char16_t) - 1;
  if (word.size() > kWordChars) word.resize(kWordChars);
  return word;
}

}  // namespace lz::config
