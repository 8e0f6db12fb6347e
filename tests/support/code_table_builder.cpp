#include "tests/support/code_table_builder.h"

#include <gtest/gtest.h>

namespace lz::test {

std::vector<std::uint8_t> BuildCodeTable(std::vector<TableRecord> records, const TableOptions& options) {
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(BuildTable(std::move(records), options, bytes)) << "the test's records cannot form a table";
  return bytes;
}

}  // namespace lz::test
