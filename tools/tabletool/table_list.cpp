#include "tools/tabletool/table_list.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "textservice/engine/code_table_format.h"
#include "textservice/engine/text_encoding.h"

namespace lz::tabletool {
namespace {

std::string LineError(int line, const std::string& what) { return "line " + std::to_string(line) + ": " + what; }

bool IsUtf8(const std::string& s) {
  if (s.find('\0') != std::string::npos) return false;
  return Utf8ToWide(nullptr, reinterpret_cast<const std::uint8_t*>(s.data()), static_cast<int>(s.size())) >= 0;
}

// UTF-8 -> UTF-16 of any length (the engine's decoder stops at 250 units).
std::u16string Widen(const std::string& s) {
  std::u16string out;
  for (std::size_t i = 0; i < s.size();) {
    char16_t units[kDecodedBufferUnits];
    std::size_t take = std::min<std::size_t>(s.size() - i, 200);
    while (take > 0 && i + take < s.size() && (static_cast<unsigned char>(s[i + take]) & 0xC0) == 0x80) --take;
    Utf8ToWide(units, reinterpret_cast<const std::uint8_t*>(s.data() + i), static_cast<int>(take));
    out += units;
    i += take;
  }
  return out;
}

}  // namespace

bool ReadWordList(const std::string& text, std::vector<ListEntry>& out, std::string& error) {
  out.clear();
  int line_number = 0;
  std::size_t start = 0;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#' || line.find('\t') == std::string::npos) continue;
    if (!IsUtf8(line)) {
      error = LineError(line_number, "not UTF-8 text");
      return false;
    }
    ListEntry entry;
    entry.line = line_number;
    const std::size_t tab1 = line.find('\t');
    entry.word = line.substr(0, tab1);
    const std::size_t tab2 = line.find('\t', tab1 + 1);
    entry.code = line.substr(tab1 + 1, tab2 == std::string::npos ? std::string::npos : tab2 - tab1 - 1);
    if (tab2 != std::string::npos) {
      const std::size_t tab3 = line.find('\t', tab2 + 1);
      const std::string weight = line.substr(tab2 + 1, tab3 == std::string::npos ? std::string::npos : tab3 - tab2 - 1);
      if (!weight.empty()) {
        const auto [end_ptr, ec] = std::from_chars(weight.data(), weight.data() + weight.size(), entry.weight);
        if (ec != std::errc() || end_ptr != weight.data() + weight.size() || !std::isfinite(entry.weight)) {
          error = LineError(line_number, "weight \"" + weight + "\" is not a number");
          return false;
        }
      }
    }
    if (entry.word.empty() || entry.code.empty()) {
      error = LineError(line_number, entry.word.empty() ? "empty word" : "empty code");
      return false;
    }
    out.push_back(std::move(entry));
  }
  return true;
}

bool MakeRecords(const std::vector<ListEntry>& entries, std::vector<TableBuildRecord>& out, std::string& error) {
  using namespace code_table;
  out.clear();
  // Order values are the ranks of the distinct weights, spread over the order value's range only when
  // there are more ranks than it holds.
  std::vector<double> weights;
  for (const ListEntry& e : entries) weights.push_back(e.weight);
  std::sort(weights.begin(), weights.end());
  weights.erase(std::unique(weights.begin(), weights.end()), weights.end());
  const std::uint64_t ranks = weights.size();

  for (const ListEntry& e : entries) {
    if (e.word.size() > kMaxStringBytes) {
      error = LineError(e.line, "word over 250 bytes");
      return false;
    }
    const std::u16string code = Widen(e.code);
    std::uint8_t key[kTableStringBufferBytes + 1];
    if (code.size() > kMaxCodeCopyUnits || CodeToTableString(key, code.c_str(), sizeof key) <= 0) {
      error = LineError(e.line, "code over 250 bytes");
      return false;
    }
    const auto rank = static_cast<std::uint64_t>(std::lower_bound(weights.begin(), weights.end(), e.weight) - weights.begin());
    const std::uint64_t order = ranks <= kMaxOrderValue + 1ull ? rank : rank * kMaxOrderValue / (ranks - 1);
    TableBuildRecord record;
    record.code.assign(reinterpret_cast<const char*>(key + 1), key[0]);
    record.text = e.word;
    record.flags = (static_cast<std::uint32_t>(order) << kOrderShift) | (kClassSystem << kClassShift);
    out.push_back(std::move(record));
  }
  return true;
}

}  // namespace lz::tabletool
