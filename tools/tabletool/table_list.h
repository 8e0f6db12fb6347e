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

// A dictionary list: lines word<TAB>explanation (UTF-8, '#' lines and lines without a tab skipped). In
// the explanation "\n" stands for a line break (written CR LF, as the dictionary's entries break their
// lines), "\t" for a tab and "\\" for a backslash. False with `error` naming a line that is not UTF-8.
bool ReadDictionaryList(const std::string& text, std::vector<DictionaryBuildRecord>& out, std::string& error);

}  // namespace lz::tabletool
