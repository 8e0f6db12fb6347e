#pragma once
// Complete data folders for tabletool: the settings store with a typical four-key shape-code scheme,
// main.dmg from a word list and an empty temp.dmg, and the registry entry a query needs.
#include <cstdint>
#include <string>
#include <vector>

#include "textservice/engine/settings_store.h"

namespace lz::tabletool {

// The scheme settings a query reads, with the values of a typical four-key shape code.
struct SchemeOptions {
  int unique_length = 4;     // dme +40: a unique candidate commits from this code length
  int push_length = 4;       // dme +41: a fifth key no code continues pushes the first candidate out
  int clear_length = 0;      // dme +42
  int words_length = 0;      // dme +43
  int following_length = 0;  // dme +44
  char wildcard = 'z';       // dme +45
  char english_lead = 0;     // dme +46
  char auxiliary_lead = 0;   // dme +47
  char secondary_lead = 0;   // dme +48
  char extension_lead = 0;   // dme +49
  int page_size = 5;         // ime +44 bits 28-31
};

// Reads "--name value" options into `options`; false with `error` for an unknown or bad one.
bool ParseSchemeOptions(const std::vector<std::string>& args, SchemeOptions& options, std::string& error);
// The options with their meaning and defaults, for --help.
std::string DescribeSchemeOptions();

// Writes the scheme into the blocks: main words only, the code lengths, keys and page size, and the
// key classes of the letters a-y (codes are made of them, and a leading wildcard stands for them).
void ApplyScheme(const SchemeOptions& options, ConfigBlocks& blocks);

// The identifier tabletool gives the folders it makes.
extern const std::uint8_t kFolderIdentifier[16];

}  // namespace lz::tabletool
