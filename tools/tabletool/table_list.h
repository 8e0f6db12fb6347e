#pragma once
// Word lists for tabletool: UTF-8 text whose lines are word<TAB>code[<TAB>weight], further columns
// ignored; lines starting with '#' and lines without a tab are skipped. A Rime dictionary's YAML header
// (between "---" and "...") may name the columns instead: text, code, weight and others in any order.
#include <cstdint>
#include <string>
#include <vector>

#include "textservice/engine/table_builder.h"

namespace lz::tabletool {

struct ListEntry {
  std::string word;
  std::string code;   // as typed, UTF-8
  double weight = 0;
  int line = 0;
};

// Reads the list; on a line that cannot be used returns false with `error` naming the line.
bool ReadWordList(const std::string& text, std::vector<ListEntry>& out, std::string& error);

// Table records: code-key bytes, system-word class, and order values that keep the weights' ranks (a
// higher weight, a higher order value). False with `error` naming the line of an entry that cannot be
// stored.
bool MakeRecords(const std::vector<ListEntry>& entries, std::vector<TableBuildRecord>& out, std::string& error);

}  // namespace lz::tabletool
