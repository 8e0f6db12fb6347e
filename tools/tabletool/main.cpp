// tabletool: builds, checks and queries code tables.
//   tabletool build OUT LIST [--update-check]
//                                       a code table from a word list (word<TAB>code[<TAB>weight]);
//                                       --update-check marks it as offering the help menu's update check
//   tabletool build OUT LIST --dict     a dict.dms from a list of word<TAB>explanation ("\n" a line
//                                       break, "\t" a tab, "\\" a backslash in the explanation)
//   tabletool lookup TABLE [--prefix] CODE...
//                                       matching records as code<TAB>word<TAB>flags-in-hex
//   tabletool check TABLE               validates a table; exit 1 when it is refused
//   tabletool mkdata DIR LIST [OPTIONS] a complete data folder with main.dmg from LIST (--help: options)
//   tabletool shipdata DIR [--minor N] [--scheme FILE]
//                                       the data set a fresh install ships, from Debian's word lists
//   tabletool query DIR KEYS [--page N] [--commit N [--associate]] [--traditional | --simplified]
//                                       types KEYS into an engine on the folder; prints the result code
//                                       and the first page (or page N) as place<TAB>word<TAB>code-hint;
//                                       --commit N commits place N of that page as the engine does
//                                       (the chosen word moves up in the table) and prints
//                                       commit<TAB>text; --associate then prints association<TAB>count
//                                       and the page of words that continue the committed text.
//                                       KEYS may hold several inputs separated by spaces ("zh gu"): each
//                                       is typed and committed in turn by one engine, which learns from
//                                       every commit (history, built words, promotion).
//                                       --traditional / --simplified switch the output conversion
//                                       on for the run, as the output-options menu does.
//   tabletool export DIR OUT [--class N]
//                                       main.dmg of a data folder as table text (every record, or class N;
//                                       100 the pinned ones), in the order direction its scheme sets
//   tabletool import DIR TEXT [--class N] [--log FILE]
//                                       a table text into main.dmg (into class N only); lines without a
//                                       code get one from the scheme's rules and danzi.dmi; refused lines
//                                       go to the log (UTF-16); prints the entries accepted
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/os/system_info.h"
#include "textservice/engine/association.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/candidate_commit.h"
#include "textservice/engine/candidate_list.h"
#include "textservice/engine/class_identifier.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/engine_instance.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/input_editing.h"
#include "textservice/engine/word_building.h"
#include "textservice/engine/query.h"
#include "textservice/engine/table_builder.h"
#include "textservice/engine/text_encoding.h"
#include "textservice/engine/engine_actions.h"
#include "config/tables/table_text.h"
#include "config/app/text_file.h"
#include "textservice/engine/settings_store.h"
#include "tools/tabletool/data_folder.h"
#include "tools/tabletool/ship_data.h"
#include "tools/tabletool/table_list.h"

namespace {

using namespace lz;

int Fail(const std::string& message) {
  std::fprintf(stderr, "tabletool: %s\n", message.c_str());
  return 1;
}

int Usage() {
  std::fprintf(stderr,
               "usage: tabletool build OUT LIST [--update-check | --dict]\n"
               "       tabletool lookup TABLE [--prefix] CODE...\n"
               "       tabletool check TABLE\n"
               "       tabletool mkdata DIR LIST [OPTIONS]   (tabletool mkdata --help lists the options)\n"
               "       tabletool shipdata DIR [--minor N] [--scheme FILE]\n"
               "       tabletool query DIR KEYS [--page N] [--commit N [--associate]] [--traditional | --simplified]\n"
               "       tabletool export DIR OUT [--class N]\n"
               "       tabletool import DIR TEXT [--class N] [--log FILE]\n");
  return 2;
}

std::u16string PathU16(const std::string& path) { return std::filesystem::path(path).u16string(); }

std::string Utf8(const char16_t* text) {
  std::uint8_t buffer[kTableStringBufferBytes * 2];
  const int n = WideToUtf8(text, buffer, sizeof buffer);
  return n < 0 ? std::string() : std::string(reinterpret_cast<const char*>(buffer), std::min<std::size_t>(n, sizeof buffer));
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
    case TableCheck::kRecordBelowLowest: return "a record lies below the lowest record offset";
    case TableCheck::kCodeWithEndMarker: return "a code holds the byte 0xFF";
    case TableCheck::kOutOfOrder: return "the offset table is not sorted by code";
  }
  return "refused";
}

// Why a path cannot name a data file the engine reads: too long for it, a folder, or not a regular file
// (a FIFO would block the read). Empty when it may be one; a missing file is the caller's message.
std::string NotADataFile(const std::filesystem::path& path) {
  if (path.u16string().size() >= static_cast<std::size_t>(kMaxPathUnits)) {
    return "the path is longer than " + std::to_string(kMaxPathUnits - 1) + " characters";
  }
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (std::filesystem::is_directory(status)) return "is a folder, not a file";
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) return "is not a regular file";
  return "";
}

// Why an output path cannot be written over: something that exists and is neither a regular file nor a
// folder (a device node or a FIFO, also through a link) would be replaced by, or receive, the file. Empty
// when it may be written; a folder is left to the write, which fails.
std::string NotAnOutputFile(const std::filesystem::path& path) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  const std::filesystem::file_status link = std::filesystem::symlink_status(path, ec);
  if (std::filesystem::is_directory(status)) return "";
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) return "is not a regular file";
  // A link whose target is missing would have the write create a file wherever it points.
  if (std::filesystem::is_symlink(link) && !std::filesystem::exists(status)) return "is a link to nothing";
  return "";
}

// Opens a table for reading and refuses one that does not validate.
MappedFile* OpenCheckedTable(const std::string& path, TableCheck& check) {
  MappedFile* table = nullptr;
  if (!OpenMappedFile(PathU16(path).c_str(), &table)) return nullptr;
  // dict.dms keeps explanations without a length byte; its name says which layout to check.
  const bool dictionary = std::filesystem::path(path).filename() == "dict.dms";
  check = ValidateCodeTable({table->view, static_cast<std::uint32_t>(table->size)}, {.dictionary_layout = dictionary});
  return table;
}

// Written under a temporary name and renamed at the end, so a failure never leaves half a file.
bool WriteWhole(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  const std::filesystem::path temporary = path.string() + ".partial";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::error_code ignored;  // the rename's failure is the answer, whatever the clean-up does
    std::filesystem::remove(temporary, ignored);
  }
  return !ec;
}

// The list's table; 0 with the message printed on failure, else the number of records.
std::size_t TableFromList(const std::string& list_path, TableBuildOptions options, std::vector<std::uint8_t>& bytes,
                          int& exit_code) {
  if (const std::string reason = NotADataFile(list_path); !reason.empty()) {
    exit_code = Fail(list_path + ": " + reason);
    return 0;
  }
  std::ifstream in(list_path, std::ios::binary);
  if (!in) {
    exit_code = Fail(list_path + ": cannot be read");
    return 0;
  }
  std::ostringstream text;
  text << in.rdbuf();
  std::vector<tabletool::ListEntry> entries;
  std::vector<TableBuildRecord> records;
  std::string error;
  if (!tabletool::ReadWordList(text.str(), entries, error) || !tabletool::MakeRecords(entries, records, error)) {
    exit_code = Fail(list_path + ":" + error);
    return 0;
  }
  options.type = code_table::kTypeIndexed;
  if (!BuildTable(std::move(records), options, bytes)) {
    exit_code = Fail(list_path + ": the words do not fit one table");
    return 0;
  }
  exit_code = 0;
  return entries.size();
}

int Build(const std::string& out_path, const std::string& list_path, bool update_check) {
  if (const std::string reason = NotAnOutputFile(out_path); !reason.empty()) return Fail(out_path + ": " + reason);
  TableBuildOptions options;
  options.offers_update_check = update_check;
  options.name = std::filesystem::path(out_path).stem().string();
  std::vector<std::uint8_t> bytes;
  int exit_code = 0;
  const std::size_t records = TableFromList(list_path, options, bytes, exit_code);
  if (exit_code) return exit_code;
  if (!WriteWhole(out_path, bytes)) return Fail(out_path + ": cannot be written");
  std::printf("%s: %zu records\n", out_path.c_str(), records);
  return 0;
}

int BuildDictionary(const std::string& out_path, const std::string& list_path) {
  if (const std::string reason = NotAnOutputFile(out_path); !reason.empty()) return Fail(out_path + ": " + reason);
  if (const std::string reason = NotADataFile(list_path); !reason.empty()) return Fail(list_path + ": " + reason);
  std::ifstream in(list_path, std::ios::binary);
  if (!in) return Fail(list_path + ": cannot be read");
  std::ostringstream text;
  text << in.rdbuf();
  std::vector<DictionaryBuildRecord> records;
  std::string error;
  if (!tabletool::ReadDictionaryList(text.str(), records, error)) return Fail(list_path + ":" + error);
  TableBuildOptions options;
  options.name = std::filesystem::path(out_path).stem().string();
  const std::size_t count = records.size();
  std::vector<std::uint8_t> bytes;
  if (!BuildDictionaryTable(std::move(records), options, bytes)) {
    return Fail(list_path + ": an entry does not fit the dictionary table (an empty word, or word and explanation too long)");
  }
  if (!WriteWhole(out_path, bytes)) return Fail(out_path + ": cannot be written");
  std::printf("%s: %zu records\n", out_path.c_str(), count);
  return 0;
}

int MakeDataFolder(const std::string& folder, const std::string& list_path, const std::vector<std::string>& option_args) {
  tabletool::SchemeOptions scheme;
  std::string error;
  if (!tabletool::ParseSchemeOptions(option_args, scheme, error)) return Fail(error);
  TableBuildOptions options;
  options.name = "main";
  std::memcpy(options.identifier, tabletool::kFolderIdentifier, 16);
  std::vector<std::uint8_t> main_table;
  int exit_code = 0;
  const std::size_t records = TableFromList(list_path, options, main_table, exit_code);
  if (exit_code) return exit_code;

  std::vector<std::uint8_t> store = NewConfigStore(tabletool::kFolderIdentifier);
  ConfigBlocks blocks;
  FindConfigBlocks(ByteView{store.data(), static_cast<std::uint32_t>(store.size())}, blocks);
  tabletool::ApplyScheme(scheme, blocks);
  std::vector<std::uint8_t> temp;
  BuildTempTable({}, temp);

  const std::filesystem::path dir(folder);
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (!WriteWhole(dir / "main.dmg", main_table) || !WriteWhole(dir / "temp.dmg", temp) ||
      !WriteWhole(dir / "config.dsc", store)) {
    return Fail(folder + ": cannot be written");
  }
  std::printf("%s: config.dsc, main.dmg (%zu records), temp.dmg\n", folder.c_str(), records);
  return 0;
}

// What a query run does after typing: the page to print, the place to commit, and whether to list the
// continuations of the committed text.
struct QueryRun {
  int page = 1;
  int commit = 0;  // page place 1..10; 0 commits nothing
  bool associate = false;
  bool traditional = false;
  bool simplified = false;
};

bool ParseQueryRun(const std::vector<std::string>& args, QueryRun& run, std::string& error) {
  const auto number = [&](const std::string& name, std::size_t at, int low, int high, int& out) {
    int v = 0;
    const std::string& value = at < args.size() ? args[at] : std::string();
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
    if (value.empty() || ec != std::errc() || end != value.data() + value.size() || v < low || v > high) {
      error = name + " takes a number from " + std::to_string(low) + " to " + std::to_string(high);
      return false;
    }
    out = v;
    return true;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--page") {
      if (!number("--page", ++i, 1, kMaxCandidates, run.page)) return false;
    } else if (args[i] == "--commit") {
      if (!number("--commit", ++i, candidate_command::kFirstPlace, candidate_command::kLastNumberedPlace, run.commit)) {
        return false;
      }
    } else if (args[i] == "--associate") {
      run.associate = true;
    } else if (args[i] == "--traditional") {
      run.traditional = true;
    } else if (args[i] == "--simplified") {
      run.simplified = true;
    } else {
      error = "unknown option " + args[i];
      return false;
    }
  }
  if (run.traditional && run.simplified) {
    error = "--traditional and --simplified exclude each other";
    return false;
  }
  if (run.associate && run.commit == 0) {
    error = "--associate lists what follows a commit: give --commit N";
    return false;
  }
  return true;
}

std::string PageRows(const EngineInstance* e) {
  std::string rows;
  for (int i = 0; i < e->page_item_count; ++i) {
    rows += std::to_string(i + 1) + '\t' + Utf8(e->page[i].text) + '\t' + Utf8(e->page[i].comment) + '\n';
  }
  return rows;
}

int Query(const std::string& folder, const std::string& keys, const std::vector<std::string>& options) {
  QueryRun run;
  std::string error;
  if (!ParseQueryRun(options, run, error)) return Fail(error);
  const std::filesystem::path dir(folder);
  if (const std::string reason = NotADataFile(dir / "main.dmg"); !reason.empty()) {
    return Fail((dir / "main.dmg").string() + ": " + reason);
  }
  MappedFile* main_table = nullptr;
  if (!OpenMappedFile((dir / "main.dmg").u16string().c_str(), &main_table)) return Fail(folder + ": no main.dmg");
  CodeTableHeader header;
  ReadCodeTableHeader({main_table->view, static_cast<std::uint32_t>(main_table->size)}, header);
  CloseMappedFile(main_table);

  // The folder's own input method, registered as an installer would.
  char16_t class_id[kClassIdentifierUnits];
  FormatClassIdentifier(header.identifier, class_id);
  const std::u16string key = std::u16string(kImeRegistryRoot) + class_id + u"\\";
  os::SetMachineString(key.c_str(), u"IMEName", u"tabletool");
  os::SetMachineString(key.c_str(), u"InstallLocation", dir.u16string().c_str());
  os::SetMachineString(key.c_str(), u"DataLocation", (dir / "").u16string().c_str());
  EngineSetup setup;
  setup.class_identifier = class_id;
  EngineInstance* e = CreateEngineInstance(setup);
  if (!e) return Fail(folder + ": no engine instance can be made on this folder");
  // The switch lives in the folder's config.dsc; the run puts it back as it found it.
  const std::uint32_t output_flags = BlockU32(e->blocks.ime, ime_block::kImeFlags) &
                                     (ime_block::kTraditionalOutput | ime_block::kSimplifiedOutput);
  if (run.traditional) SetTraditionalOutput(e, true);
  if (run.simplified) SetSimplifiedOutput(e, true);

  std::string out;
  std::istringstream inputs(keys);
  std::string input;
  while (inputs >> input) {
    ResetInput(e);
    int result = 0;
    for (char k : input) {
      if (e->key_count >= kMaxInputKeys) break;
      AppendInputKey(e, static_cast<unsigned char>(k));
      result = QueryCandidates(e);
    }
    for (int page = 1; page < run.page; ++page) {
      if (!e->paging.more) {
        DestroyEngineInstance(e, setup);
        return Fail("there is no page " + std::to_string(run.page) + ": the list has " + std::to_string(page));
      }
      BuildNextPage(e);
    }
    out += "result\t" + std::to_string(result) + "\n" + PageRows(e);
    if (!run.commit) continue;
    if (NavigateCandidates(run.commit, e) == kEmptyPlace) {
      DestroyEngineInstance(e, setup);
      return Fail("place " + std::to_string(run.commit) + " of the page is empty");
    }
    const CommitRecord committed = e->commit;
    CandidateIndexForCommand(run.commit, e);
    AfterCommit(e, run.commit);
    out += "commit\t" + Utf8(committed.text) + '\n';
    if (run.associate) {
      SetAssociationKey(e, committed.text);
      const int count = AssociateAfterCommit(e);
      if (count > 0) FinishQuery(e);
      out += "association\t" + std::to_string(count) + '\n' + (count > 0 ? PageRows(e) : std::string());
    }
  }
  if (run.traditional || run.simplified) {
    SetTraditionalOutput(e, output_flags & ime_block::kTraditionalOutput);
    SetSimplifiedOutput(e, output_flags & ime_block::kSimplifiedOutput);
  }
  DestroyEngineInstance(e, setup);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

int ShipData(const std::string& folder, const std::vector<std::string>& args) {
  int minor = -1;
  std::filesystem::path scheme = TABLETOOL_DEFAULT_SCHEME;
  for (std::size_t i = 0; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) return Fail(args[i] + " needs a value");
    const std::string& value = args[i + 1];
    if (args[i] == "--minor") {
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), minor);
      if (ec != std::errc() || end != value.data() + value.size() || minor < 0) {
        return Fail("--minor takes a number from 0 up");
      }
    } else if (args[i] == "--scheme") {
      scheme = value;
    } else {
      return Fail("unknown option " + args[i]);
    }
  }
  tabletool::ShipDataInputs inputs;
  tabletool::ShipDataReport report;
  std::string error;
  if (!tabletool::ReadShipDataInputs(scheme, inputs, error) || !tabletool::WriteShipData(inputs, minor, folder, report, error)) {
    return Fail(error);
  }
  for (const std::string& line : report.lines) std::printf("%s/%s\n", folder.c_str(), line.c_str());
  return 0;
}

int Lookup(const std::string& table_path, bool prefix, const std::vector<std::string>& codes) {
  if (const std::string reason = NotADataFile(table_path); !reason.empty()) return Fail(table_path + ": " + reason);
  TableCheck check = TableCheck::kValid;
  MappedFile* table = OpenCheckedTable(table_path, check);
  if (!table) return Fail(table_path + ": cannot be read");
  if (check != TableCheck::kValid) {
    CloseMappedFile(table);
    return Fail(table_path + ": refused: " + CheckText(check));
  }
  std::string out;
  for (const std::string& code : codes) {
    // A code longer than a table can hold is refused whole, never looked up cut short.
    char16_t wide[kDecodedBufferUnits + 1] = {};
    const int units = Utf8ToWide(wide, reinterpret_cast<const std::uint8_t*>(code.data()), static_cast<int>(code.size()));
    if (units > static_cast<int>(code_table::kMaxStringBytes)) {
      CloseMappedFile(table);
      return Fail("a code of over " + std::to_string(code_table::kMaxStringBytes) + " bytes cannot be in a table");
    }
    std::uint8_t key[kTableStringBufferBytes + 1];
    if (units <= 0 || CodeToTableString(key, wide, sizeof key) <= 0) {
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

// The options of export and import: --class N, and --log FILE where it is allowed.
bool ReadTextOptions(const std::vector<std::string>& args, bool log_allowed, std::int32_t& cls, std::string& log,
                     std::string& error) {
  for (std::size_t i = 0; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) {
      error = args[i] + " needs a value";
      return false;
    }
    const std::string& value = args[i + 1];
    if (args[i] == "--class") {
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), cls);
      if (ec != std::errc() || end != value.data() + value.size()) {
        error = "--class takes a number";
        return false;
      }
    } else if (args[i] == "--log" && log_allowed) {
      log = value;
    } else {
      error = "unknown option " + args[i];
      return false;
    }
  }
  return true;
}

// A data folder's main.dmg, valid, with the order direction of its scheme (ime +48 bit 0x10, as the
// code-table page reads it). Null with the message printed.
struct FolderTable {
  MappedFile* main = nullptr;
  MappedFile* config = nullptr;
  MappedFile* danzi = nullptr;
  bool ascending = false;
  ConfigBlocks blocks;
  ~FolderTable() {
    CloseMappedFile(main);
    CloseMappedFile(config);
    CloseMappedFile(danzi);
  }
};

bool OpenFolderTable(const std::string& folder, FolderTable& out, std::string& error) {
  const std::filesystem::path dir(folder);
  TableCheck check = TableCheck::kValid;
  out.main = OpenCheckedTable((dir / "main.dmg").string(), check);
  if (!out.main) {
    error = (dir / "main.dmg").string() + ": cannot be read";
    return false;
  }
  if (check != TableCheck::kValid) {
    error = (dir / "main.dmg").string() + ": refused: " + CheckText(check);
    return false;
  }
  if (OpenMappedFile(PathU16((dir / "config.dsc").string()).c_str(), &out.config) > 0) {
    FindConfigBlocks({out.config->view, static_cast<std::uint32_t>(out.config->size)}, out.blocks);
    std::uint32_t behaviour = 0;
    out.blocks.ime.ReadU32(ime_block::kBehaviourFlags, behaviour);
    out.ascending = (behaviour & ime_block::kLowOrderFirst) != 0;
  }
  if (std::filesystem::exists(dir / "danzi.dmi")) OpenMappedFile(PathU16((dir / "danzi.dmi").string()).c_str(), &out.danzi);
  return true;
}

int ExportText(const std::string& folder, const std::string& out_path, const std::vector<std::string>& args) {
  TableExport request;
  std::string log, error;
  if (!ReadTextOptions(args, false, request.class_filter, log, error)) return Fail(error);
  if (const std::string reason = NotAnOutputFile(out_path); !reason.empty()) return Fail(out_path + ": " + reason);
  FolderTable table;
  if (!OpenFolderTable(folder, table, error)) return Fail(error);
  const int selected = ExportTableText(request, table.main, PathU16(out_path).c_str(), table.ascending);
  if (selected < 0) return Fail(out_path + ": cannot be written");
  std::printf("%d\n", selected);
  return 0;
}

int ImportText(const std::string& folder, const std::string& text_path, const std::vector<std::string>& args) {
  std::int32_t cls = 0;
  std::string log, error;
  if (!ReadTextOptions(args, true, cls, log, error)) return Fail(error);
  if (cls < 0 || cls > static_cast<std::int32_t>(code_table::kClassLastCategory)) return Fail("--class takes 0 to 31");
  FolderTable table;
  if (!OpenFolderTable(folder, table, error)) return Fail(error);
  std::unique_ptr<TableImport> import = CreateTableImport();
  if (!import) return Fail("out of memory");
  import->import_class = static_cast<std::uint32_t>(cls);
  import->word_rules = table.blocks.dme;
  import->characters = table.danzi;
  std::u16string text;
  if (ReadTextFile(PathU16(text_path).c_str(), text, true) != kTextFileRead) return Fail(text_path + ": cannot be read");
  import->header_class = ReadTableTextHeader(text);
  const int accepted = ImportTableTextLines(*import, table.main, text, table.ascending);
  if (CommitImportRecords(*import, table.main) < 0) return Fail(folder + "/main.dmg: cannot be written");
  if (!log.empty() && !WriteTableImportLog(*import, PathU16(log).c_str())) return Fail(log + ": cannot be written");
  std::printf("%d\n", accepted);
  return 0;
}

int Check(const std::string& table_path) {
  if (const std::string reason = NotADataFile(table_path); !reason.empty()) return Fail(table_path + ": " + reason);
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
  if (args.size() == 3 && args[0] == "build") return Build(args[1], args[2], false);
  if (args.size() == 4 && args[0] == "build" && args[3] == "--update-check") return Build(args[1], args[2], true);
  if (args.size() == 4 && args[0] == "build" && args[3] == "--dict") return BuildDictionary(args[1], args[2]);
  if (args.size() == 2 && args[0] == "check") return Check(args[1]);
  if (args.size() == 2 && args[0] == "mkdata" && args[1] == "--help") {
    std::fputs(tabletool::DescribeSchemeOptions().c_str(), stdout);
    return 0;
  }
  if (args.size() >= 3 && args[0] == "mkdata") {
    return MakeDataFolder(args[1], args[2], std::vector<std::string>(args.begin() + 3, args.end()));
  }
  if (args.size() >= 2 && args[0] == "shipdata") {
    return ShipData(args[1], std::vector<std::string>(args.begin() + 2, args.end()));
  }
  if (args.size() >= 3 && args[0] == "query") {
    return Query(args[1], args[2], std::vector<std::string>(args.begin() + 3, args.end()));
  }
  if (args.size() >= 3 && args[0] == "export") {
    return ExportText(args[1], args[2], std::vector<std::string>(args.begin() + 3, args.end()));
  }
  if (args.size() >= 3 && args[0] == "import") {
    return ImportText(args[1], args[2], std::vector<std::string>(args.begin() + 3, args.end()));
  }
  if (args.size() >= 3 && args[0] == "lookup") {
    const bool prefix = args[2] == "--prefix";
    std::vector<std::string> codes(args.begin() + (prefix ? 3 : 2), args.end());
    if (codes.empty()) return Usage();
    return Lookup(args[1], prefix, codes);
  }
  return Usage();
}
