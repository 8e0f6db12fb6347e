#pragma once
// Writes a whole code table in memory from a list of records: sorted by code then text, packed downwards
// from the end of the file, with a chosen free gap above the offset table and, for indexed tables, the
// prefix index. Table builders (tabletool, test fixtures) write these bytes to a file.
#include <cstdint>
#include <string>
#include <vector>

namespace lz {

struct TableBuildRecord {
  std::string code;  // code-key bytes (empty for association tables)
  std::string text;  // UTF-8
  std::uint32_t flags = 0;
};

struct TableBuildOptions {
  std::uint32_t type = 0;
  std::uint16_t format = 773;
  std::string name = "table";  // at most 32 bytes are kept
  std::uint8_t identifier[16] = {};
  std::uint32_t free_gap = 0;  // bytes left free between the offset table and the lowest record
  bool offers_update_check = false;  // the table's input method offers its users the update check
  // Records of one code are placed in the file in the order given rather than by text. Lookups that
  // return every record of a key in file order (the conversion tables) then list them in that order;
  // the offset table stays sorted by code then text.
  bool keep_order_within_code = false;
};

// Each first code byte's order counter starts at the highest order value among the records with that
// first byte, so that a word numbered from it later ranks above every built one.
// False (and out empty) when a code is over 250 bytes, a text is empty or over 250 bytes, or the table
// would not fit a 32-bit file.
bool BuildTable(std::vector<TableBuildRecord> records, const TableBuildOptions& options, std::vector<std::uint8_t>& out);

// One entry of the dictionary table dict.dms: a word and its explanation, both UTF-8 (the key's
// terminating zero is added when the record is written).
struct DictionaryBuildRecord {
  std::string key;
  std::string explanation;
};

// A dict.dms in its own record layout (see DictionaryRecord), sorted by key. False (and out empty) when
// a key is empty, holds a zero or is 250 bytes or more with its zero, when key and explanation together
// pass the largest order value, or when the table would not fit a 32-bit file.
bool BuildDictionaryTable(std::vector<DictionaryBuildRecord> records, const TableBuildOptions& options,
                          std::vector<std::uint8_t>& out);

// A temp.dmg: 512 fixed slots of 260 bytes, the first records.size() (at most 512) used, in order.
bool BuildTempTable(std::vector<TableBuildRecord> records, std::vector<std::uint8_t>& out);

}  // namespace lz
