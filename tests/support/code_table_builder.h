#pragma once
// Builds code-table files in memory for tests: records sorted by code then text, packed downwards from
// the end of the file, with a chosen free gap between the offset table and the lowest record.
#include <cstdint>
#include <string>
#include <vector>

namespace lz::test {

struct TableRecord {
  std::string code;  // code-key bytes (empty for association tables)
  std::string text;  // UTF-8
  std::uint32_t flags = 0;
};

struct TableOptions {
  std::uint32_t type = 0;
  std::uint16_t format = 773;
  std::string name = "test";
  std::uint8_t identifier[16] = {};
  std::uint32_t free_gap = 0;  // bytes left free between the offset table and the lowest record
};

std::vector<std::uint8_t> BuildCodeTable(std::vector<TableRecord> records, const TableOptions& options = {});

// Record flags with a class and an order value.
constexpr std::uint32_t RecordFlags(std::uint32_t record_class, std::uint32_t order, std::uint32_t bits = 0) {
  return (order << 11) | (record_class << 2) | bits;
}

}  // namespace lz::test
