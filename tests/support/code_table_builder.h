#pragma once
// Code tables for tests, built in memory by the engine's own table builder.
#include <cstdint>
#include <vector>

#include "textservice/engine/table_builder.h"

namespace lz::test {

using TableRecord = TableBuildRecord;

struct TableOptions : TableBuildOptions {
  TableOptions() { name = "test"; }
};

// The table's bytes; fails the running test when the records cannot be stored.
std::vector<std::uint8_t> BuildCodeTable(std::vector<TableRecord> records, const TableOptions& options = {});

// Record flags with a class and an order value.
constexpr std::uint32_t RecordFlags(std::uint32_t record_class, std::uint32_t order, std::uint32_t bits = 0) {
  return (order << 11) | (record_class << 2) | bits;
}

}  // namespace lz::test
