#pragma once
// The data set a fresh install ships: config.dsc from the default scheme text and eight tables built
// from Debian's word lists (rime-data-wubi's wubi86 list, wamerican's word list, unicode-data's Unihan
// readings and OpenCC's conversion tables). The same sources give the same bytes.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tools/tabletool/table_list.h"

namespace lz::tabletool {

// Where Debian installs the sources, and the package that brings each.
struct ShipDataSource {
  const char* path;
  const char* package;
};
constexpr ShipDataSource kWubi86Source{"/usr/share/rime-data/wubi86.dict.yaml", "rime-data-wubi"};
constexpr ShipDataSource kEnglishSource{"/usr/share/dict/american-english", "wamerican"};
constexpr ShipDataSource kReadingsSource{"/usr/share/unicode/Unihan_Readings.txt.bz2", "unicode-data"};
// OpenCC's conversion tables (Apache-2.0), read as text through opencc_dict (package opencc).
constexpr ShipDataSource kStCharactersSource{"/usr/share/opencc/STCharacters.ocd2", "libopencc1.1"};
constexpr ShipDataSource kStPhrasesSource{"/usr/share/opencc/STPhrases.ocd2", "libopencc1.1"};
constexpr ShipDataSource kTsCharactersSource{"/usr/share/opencc/TSCharacters.ocd2", "libopencc1.1"};
constexpr ShipDataSource kTsPhrasesSource{"/usr/share/opencc/TSPhrases.ocd2", "libopencc1.1"};
constexpr ShipDataSource kOpenccDictTool{"/usr/bin/opencc_dict", "opencc"};

// The installer's major version: the soft block's software number and the middle part of IMEName.
constexpr std::uint32_t kInstallerMajorVersion = 361;
// Room left in main.dmg for the user's words before the file has to grow.
constexpr std::uint32_t kMainFreeGap = 64 * 1024;

// Unihan fields by code point: field name -> values of each character.
using UnihanField = std::map<char32_t, std::string>;
struct UnihanData {
  UnihanField mandarin;     // kMandarin
  UnihanField definition;   // kDefinition
};

// One OpenCC table: a text (character or phrase) -> its forms in the other script, the most common first.
using ConversionTable = std::map<std::string, std::vector<std::string>>;
struct ConversionSources {
  ConversionTable st_characters;  // simplified -> traditional
  ConversionTable st_phrases;
  ConversionTable ts_characters;  // traditional -> simplified
  ConversionTable ts_phrases;
};

// Everything the set is built from, read once.
struct ShipDataInputs {
  std::vector<std::uint8_t> scheme;  // the scheme text's bytes
  std::vector<ListEntry> wubi86;
  std::string english;  // the word list's bytes
  UnihanData unihan;
  ConversionSources conversion;
};

// Reads the sources; false with `error` naming the file (and, when Debian's is missing, its package).
bool ReadShipDataInputs(const std::filesystem::path& scheme_path, ShipDataInputs& out, std::string& error);

// Decompresses a .bz2 file whole; false when it cannot be read or is not bzip2 data.
bool ReadBzip2File(const std::filesystem::path& path, std::string& out);
// The two Unihan fields the set uses from the text of Unihan_Readings.txt.
void ReadUnihanFields(const std::string& text, UnihanData& out);
// An OpenCC table in its text form: one entry a line, the text, a tab, its forms separated by spaces.
void ReadConversionText(const std::string& text, ConversionTable& out);
// A text converted as OpenCC converts it: at each place the longest phrase of the table that starts
// there, else the character's first form, else the character itself.
std::string ConvertText(const std::string& text, const ConversionTable& phrases, const ConversionTable& characters);

// The builders of the single files. Each returns false with `error` when its input cannot make a file.
// minor < 0 keeps the scheme's DataVersion; otherwise it becomes DataVersion and the last part of
// IMEName and DisplayVersion.
bool BuildShipConfig(const std::vector<std::uint8_t>& scheme, int minor, std::vector<std::uint8_t>& out, std::string& error);
// main.dmg leaves out the entries whose code holds the scheme's wildcard key (0: none): that key never
// starts an input, so no such code can be typed. left_out, when given, receives how many there were.
bool BuildShipMain(const std::vector<ListEntry>& wubi86, std::vector<std::uint8_t>& out, std::string& error,
                   char wildcard_key = 0, std::size_t* left_out = nullptr);
bool BuildShipDanzi(const std::vector<ListEntry>& wubi86, std::vector<std::uint8_t>& out, std::string& error);
// The conversion tables: every form of a character, in OpenCC's order (the engine lists a key's records
// in file order, so the most common form comes first); the first form of each phrase; and each word of
// the list (traditional.dms) converted whole, where that changes it.
bool BuildShipTraditional(const std::vector<ListEntry>& wubi86, const ConversionSources& conversion,
                          std::vector<std::uint8_t>& out, std::string& error);
bool BuildShipSimplified(const ConversionSources& conversion, std::vector<std::uint8_t>& out, std::string& error);
bool BuildShipDictionary(const UnihanData& unihan, std::vector<std::uint8_t>& out, std::string& error);
// The word lists the two association-type tables are built from: ASCII words without an apostrophe, and
// the list's phrases (two characters or more), each once, in falling weight.
std::u16string EnglishWordList(const std::string& american_english);
std::u16string PhraseList(const std::vector<ListEntry>& wubi86);

// What a build made: one line per file.
struct ShipDataReport {
  std::vector<std::string> lines;
};

// Writes the nine files into dir (created when missing). Every file goes in under a temporary name and
// is renamed when whole. False with `error` when any file cannot be made.
bool WriteShipData(const ShipDataInputs& inputs, int minor, const std::filesystem::path& dir, ShipDataReport& report,
                   std::string& error);

}  // namespace lz::tabletool
