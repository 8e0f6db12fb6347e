#include "tools/tabletool/data_folder.h"

#include <charconv>

#include "textservice/engine/dme_block.h"
#include "textservice/engine/ime_block.h"

namespace lz::tabletool {

const std::uint8_t kFolderIdentifier[16] = {0x51, 0x75, 0x65, 0x6E, 0x6C, 0x69, 0x74, 0x68,
                                            0x9D, 0x3C, 0x41, 0x0B, 0x7E, 0x22, 0x64, 0x15};

namespace {

constexpr std::uint8_t kLetterKeyClasses = 0x10 | 0x20;  // a wildcard stands for them; they end nothing

struct NumberOption {
  const char* name;
  int SchemeOptions::*field;
  int max;
  const char* meaning;
};
struct KeyOption {
  const char* name;
  char SchemeOptions::*field;
  const char* meaning;
};

constexpr NumberOption kNumbers[] = {
    {"--unique", &SchemeOptions::unique_length, 255, "code length from which a unique candidate commits (dme +40)"},
    {"--push", &SchemeOptions::push_length, 255, "code length after which an empty code pushes the first candidate (+41)"},
    {"--clear", &SchemeOptions::clear_length, 255, "code length at which an empty code clears the input (+42)"},
    {"--words", &SchemeOptions::words_length, 255, "shortest code that shows words of several characters (+43)"},
    {"--following", &SchemeOptions::following_length, 255, "code length from which longer codes are listed (+44)"},
    {"--page", &SchemeOptions::page_size, 10, "candidates on a page, 1-10 (ime +44 bits 28-31)"},
};
constexpr KeyOption kKeys[] = {
    {"--wildcard", &SchemeOptions::wildcard, "wildcard key (dme +45)"},
    {"--english-lead", &SchemeOptions::english_lead, "temporary English lead key (+46)"},
    {"--auxiliary-lead", &SchemeOptions::auxiliary_lead, "auxiliary words lead key (+47)"},
    {"--secondary-lead", &SchemeOptions::secondary_lead, "secondary words lead key (+48)"},
    {"--extension-lead", &SchemeOptions::extension_lead, "further lead key (+49)"},
};

}  // namespace

bool ParseSchemeOptions(const std::vector<std::string>& args, SchemeOptions& options, std::string& error) {
  for (std::size_t i = 0; i < args.size(); i += 2) {
    const std::string& name = args[i];
    if (i + 1 >= args.size()) {
      error = name + " needs a value";
      return false;
    }
    const std::string& value = args[i + 1];
    bool known = false;
    for (const NumberOption& o : kNumbers) {
      if (name != o.name) continue;
      int v = 0;
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
      if (ec != std::errc() || end != value.data() + value.size() || v < 0 || v > o.max) {
        error = name + " takes a number from 0 to " + std::to_string(o.max);
        return false;
      }
      options.*o.field = v;
      known = true;
    }
    for (const KeyOption& o : kKeys) {
      if (name != o.name) continue;
      if (value.size() > 1 || (value.size() == 1 && static_cast<unsigned char>(value[0]) >= 0x80)) {
        error = name + " takes one ASCII key, or an empty value for none";
        return false;
      }
      options.*o.field = value.empty() ? 0 : value[0];
      known = true;
    }
    if (!known) {
      error = "unknown option " + name;
      return false;
    }
  }
  return true;
}

std::string DescribeSchemeOptions() {
  const SchemeOptions defaults;
  std::string text =
      "The data folder holds config.dsc with a typical four-key shape-code scheme (main words only,\n"
      "letters a-y as code keys), main.dmg from LIST and an empty temp.dmg. Scheme options:\n";
  for (const NumberOption& o : kNumbers) {
    text += "  " + std::string(o.name) + " N\t" + o.meaning + "; default " + std::to_string(defaults.*o.field) + "\n";
  }
  for (const KeyOption& o : kKeys) {
    const char key = defaults.*o.field;
    text += "  " + std::string(o.name) + " C\t" + o.meaning + "; default " + (key ? std::string(1, key) : "none") + "\n";
  }
  return text;
}

void ApplyScheme(const SchemeOptions& o, ConfigBlocks& b) {
  b.ime.WriteU32(ime_block::kImeFlags, ime_block::kSchemeMain);
  b.ime.WriteU32(ime_block::kCandidateOptions, static_cast<std::uint32_t>(o.page_size) << ime_block::kPageSizeShift);
  b.dme.WriteU8(dme_block::kUniqueAutoCommitLength, static_cast<std::uint8_t>(o.unique_length));
  b.dme.WriteU8(dme_block::kEmptyCodeCommitLength, static_cast<std::uint8_t>(o.push_length));
  b.dme.WriteU8(dme_block::kEmptyCodeClearLength, static_cast<std::uint8_t>(o.clear_length));
  b.dme.WriteU8(dme_block::kShowTableWordLength, static_cast<std::uint8_t>(o.words_length));
  b.dme.WriteU8(dme_block::kShowFollowingLength, static_cast<std::uint8_t>(o.following_length));
  b.dme.WriteU8(dme_block::kWildcardKey, static_cast<std::uint8_t>(o.wildcard));
  b.dme.WriteU8(dme_block::kEnglishLeadKey, static_cast<std::uint8_t>(o.english_lead));
  b.dme.WriteU8(dme_block::kAuxiliaryLeadKey, static_cast<std::uint8_t>(o.auxiliary_lead));
  b.dme.WriteU8(dme_block::kSecondaryLeadKey, static_cast<std::uint8_t>(o.secondary_lead));
  b.dme.WriteU8(dme_block::kExtensionLeadKey, static_cast<std::uint8_t>(o.extension_lead));
  for (char c = 'a'; c <= 'y'; ++c) b.dme.WriteU8(dme_block::kKeyClasses + static_cast<std::uint32_t>(c), kLetterKeyClasses);
}

}  // namespace lz::tabletool
