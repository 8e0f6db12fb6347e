// tabletool: builds, checks and queries code tables.
//   tabletool build OUT LIST            a code table from a word list (word<TAB>code[<TAB>weight])
//   tabletool lookup TABLE [--prefix] CODE...
//                                       matching records as code<TAB>word<TAB>flags-in-hex
//   tabletool check TABLE               validates a table; exit 1 when it is refused
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "textservice/engine/code_table.h"
#include "textservice/engine/table_builder.h"
#include "textservice/engine/text_encoding.h"
#include "tools/tabletool/table_list.h"

namespace {

using namespace lz;

int Fail(const std::string& message) {
  std::fprintf(stderr, "tabletool: %s\n", message.c_str());
  return 1;
}

int Usage() {
  std::fprintf(stderr,
               "usage: tabletool build OUT LIST\n"
               "       tabletool lookup TABLE [--prefix] CODE...\n"
               "       tabletool check TABLE\n");
  return 2;
}

std::u16string PathU16(const std::string& path) { return std::filesystem::path(path).u16string(); }

std::string Utf8(const char16_t* text) {
  std::uint8_t buffer[kTableStringBufferBytes * 2];
  const int n = WideToUtf8(text, buffer, sizeof buffer);
  return n < 0 ? std::string() : std::string(reinterpret_cast<const char*>(buffer), std::min<std::size_t>(n, sizeof buffer));
}

std::u16string Widen(const std::string& s) {
  char16_t units[kDecodedBufferUnits];
  if (Utf8ToWide(units, reinterpret_cast<const std::uint8_t*>(s.data()), static_cast<int>(s.size())) < 0) return u"";
  return units;
}

const char* CheckText(TableCheck check) {
  switch (check) {
    case TableCheck::kValid: return "valid";
    case TableCheck::kTooSmall: return "shorter than a table header";
    case TableCheck::kWrongFormat: return "not format 773";
    case TableCheck::kCountPastEnd: return "record count runs past the end of the file";
    case TableCheck::kLowestOffsetOutside: return "lowest record offset outside the record area";
    case TableCheck::kRecordOutside: return "a record lies outside the file or has a bad length";
    case TableCheck::kPrefixIndexOutside: return "prefix index points past the records";
  }
  return "refused";
}

// Opens a table for reading and refuses one that does not validate.
MappedFile* OpenCheckedTable(const std::string& path, TableCheck& check) {
  MappedFile* table = nullptr;
  if (!OpenMappedFile(PathU16(path).c_str(), &table)) return nullptr;
  check = ValidateCodeTable({table->view, static_cast<std::uint32_t>(table->size)});
  return table;
}

int Build(const std::string& out_path, const std::string& list_path) {
  std::ifstream in(list_path, std::ios::binary);
  if (!in) return Fail(list_path + ": cannot be read");
  std::ostringstream text;
  text << in.rdbuf();
  std::vector<tabletool::ListEntry> entries;
  std::vector<TableBuildRecord> records;
  std::string error;
  if (!tabletool::ReadWordList(text.str(), entries, error) || !tabletool::MakeRecords(entries, records, error)) {
    return Fail(list_path + ":" + error);
  }
  TableBuildOptions options;
  options.type = code_table::kTypeIndexed;
  options.name = std::filesystem::path(out_path).stem().string();
  std::vector<std::uint8_t> bytes;
  if (!BuildTable(std::move(records), options, bytes)) return Fail(list_path + ": the words do not fit one table");

  // Written under a temporary name and renamed at the end, so a failure never leaves half a table.
  const std::string temporary = out_path + ".partial";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return Fail(out_path + ": cannot be written");
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, out_path, ec);
  if (ec) {
    std::filesystem::remove(temporary, ec);
    return Fail(out_path + ": cannot be written");
  }
  std::printf("%s: %zu records\n", out_path.c_str(), entries.size());
  return 0;
}

int Lookup(const std::string& table_path, bool prefix, const std::vector<std::string>& codes) {
  TableCheck check = TableCheck::kValid;
  MappedFile* table = OpenCheckedTable(table_path, check);
  if (!table) return Fail(table_path + ": cannot be read");
  if (check != TableCheck::kValid) {
    CloseMappedFile(table);
    return Fail(table_path + ": refused: " + CheckText(check));
  }
  std::string out;
  for (const std::string& code : codes) {
    const std::u16string wide = Widen(code);
    std::uint8_t key[kTableStringBufferBytes + 1];
    if (wide.empty() || CodeToTableString(key, wide.c_str(), sizeof key) <= 0) {
      CloseMappedFile(table);
      return Fail("\"" + code + "\" is not a code a table can hold");
    }
    TableRange range;
    if (prefix) {
      FindPrefixRange(table, range, key);
    } else {
      FindCodeRange(table, range, key);
    }
    for (std::int32_t i = range.first; i < range.end; ++i) {
      CodeTableRecord record;
      if (!RecordAt(table, i, record)) continue;
      char16_t record_code[kCodeBufferUnits];
      RecordCode(record, record_code);
      char flags[16];
      std::snprintf(flags, sizeof flags, "%08X", record.flags);
      out += Utf8(record_code) + '\t' + std::string(reinterpret_cast<const char*>(record.text), record.text_length) +
             '\t' + flags + '\n';
    }
  }
  CloseMappedFile(table);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

int Check(const std::string& table_path) {
  TableCheck check = TableCheck::kValid;
  MappedFile* table = OpenCheckedTable(table_path, check);
  if (!table) return Fail(table_path + ": cannot be read");
  CodeTableHeader header;
  ReadCodeTableHeader({table->view, static_cast<std::uint32_t>(table->size)}, header);
  CloseMappedFile(table);
  if (check != TableCheck::kValid) return Fail(table_path + ": refused: " + CheckText(check));
  std::printf("%s: valid, %u records, type %u\n", table_path.c_str(), header.record_count, header.table_type);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "build") return Build(args[1], args[2]);
  if (args.size() == 2 && args[0] == "check") return Check(args[1]);
  if (args.size() >= 3 && args[0] == "lookup") {
    const bool prefix = args[2] == "--prefix";
    std::vector<std::string> codes(args.begin() + (prefix ? 3 : 2), args.end());
    if (codes.empty()) return Usage();
    return Lookup(args[1], prefix, codes);
  }
  return Usage();
}
