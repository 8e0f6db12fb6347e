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

// Where the fields of an entry line stand; -1 for a column the list does not have.
struct ListColumns {
  int text = 0;
  int code = 1;
  int weight = 2;
};

std::string Trimmed(const std::string& s) {
  const std::size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// A Rime dictionary opens with a YAML header between a line "---" and a line "..."; its "columns:" list
// names the fields of the entry lines (text, code, weight, stem, in any order). Without a header the
// fields are text, code, weight. Sets first_entry_line to the line after the header.
bool ReadListHeader(const std::vector<std::string>& lines, ListColumns& columns, std::size_t& first_entry_line,
                    std::string& error) {
  first_entry_line = 0;
  std::size_t open = 0;
  while (open < lines.size() && (Trimmed(lines[open]).empty() || lines[open][0] == '#')) ++open;
  if (open == lines.size() || Trimmed(lines[open]) != "---") return true;
  std::size_t close = open + 1;
  while (close < lines.size() && Trimmed(lines[close]) != "...") ++close;
  if (close == lines.size()) {
    error = LineError(static_cast<int>(open) + 1, "the header opened here has no closing \"...\" line");
    return false;
  }
  first_entry_line = close + 1;
  std::vector<std::string> names;
  bool listed = false;
  for (std::size_t i = open + 1; i < close; ++i) {
    const std::string& line = lines[i];
    if (line.compare(0, 8, "columns:") == 0) {
      listed = true;
      std::string rest = Trimmed(line.substr(8));
      if (!rest.empty() && rest.front() == '[' && rest.back() == ']') {  // columns: [text, code]
        rest = rest.substr(1, rest.size() - 2);
        for (std::size_t from = 0; from <= rest.size();) {
          const std::size_t comma = std::min(rest.find(',', from), rest.size());
          names.push_back(Trimmed(rest.substr(from, comma - from)));
          from = comma + 1;
        }
        break;
      }
      for (++i; i < close; ++i) {
        const std::string item = Trimmed(lines[i]);
        if (item.empty() || item[0] != '-') break;
        names.push_back(Trimmed(item.substr(1)));
      }
      break;
    }
  }
  if (!listed) return true;
  columns = ListColumns{-1, -1, -1};
  for (std::size_t i = 0; i < names.size(); ++i) {
    const int at = static_cast<int>(i);
    if (names[i] == "text") columns.text = at;
    if (names[i] == "code") columns.code = at;
    if (names[i] == "weight") columns.weight = at;
  }
  if (columns.text < 0 || columns.code < 0) {
    error = LineError(static_cast<int>(open) + 1, std::string("the header's columns name no ") +
                                                      (columns.text < 0 ? "text" : "code") + " column");
    return false;
  }
  return true;
}

}  // namespace

bool ReadWordList(const std::string& text, std::vector<ListEntry>& out, std::string& error) {
  out.clear();
  std::vector<std::string> lines;
  std::size_t start = 0;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    if (!lines.back().empty() && lines.back().back() == '\r') lines.back().pop_back();
    start = end + 1;
  }
  ListColumns columns;
  std::size_t first_entry_line = 0;
  if (!ReadListHeader(lines, columns, first_entry_line, error)) return false;

  for (std::size_t i = first_entry_line; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const int line_number = static_cast<int>(i) + 1;
    if (line.empty() || line[0] == '#' || line.find('\t') == std::string::npos) continue;
    if (!IsUtf8(line)) {
      error = LineError(line_number, "not UTF-8 text");
      return false;
    }
    std::vector<std::string> fields;
    for (std::size_t from = 0;;) {
      const std::size_t tab = line.find('\t', from);
      fields.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
      if (tab == std::string::npos) break;
      from = tab + 1;
    }
    const auto field = [&](int column) { return column >= 0 && column < static_cast<int>(fields.size()) ? fields[column] : std::string(); };
    ListEntry entry;
    entry.line = line_number;
    entry.word = field(columns.text);
    entry.code = field(columns.code);
    std::string weight = field(columns.weight);
    if (!weight.empty() && weight.back() == '%') weight.pop_back();  // Rime writes relative weights as "N%"
    if (!weight.empty()) {
      const auto [end_ptr, ec] = std::from_chars(weight.data(), weight.data() + weight.size(), entry.weight);
      if (ec != std::errc() || end_ptr != weight.data() + weight.size() || !std::isfinite(entry.weight)) {
        error = LineError(line_number, "weight \"" + field(columns.weight) + "\" is not a number");
        return false;
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

bool ReadDictionaryList(const std::string& text, std::vector<DictionaryBuildRecord>& out, std::string& error) {
  out.clear();
  std::size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  for (int line_number = 1; start < text.size(); ++line_number) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t tab = line.find('\t');
    if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
    if (!IsUtf8(line)) {
      error = LineError(line_number, "not UTF-8 text");
      return false;
    }
    DictionaryBuildRecord record;
    record.key = line.substr(0, tab);
    const std::string escaped = line.substr(tab + 1);
    for (std::size_t i = 0; i < escaped.size(); ++i) {
      const char next = i + 1 < escaped.size() ? escaped[i + 1] : 0;
      if (escaped[i] == '\\' && (next == 'n' || next == 't' || next == '\\')) {
        record.explanation += next == 'n' ? "\r\n" : (next == 't' ? "\t" : "\\");
        ++i;
      } else {
        record.explanation += escaped[i];
      }
    }
    out.push_back(std::move(record));
  }
  return true;
}

}  // namespace lz::tabletool
