// Any UTF-16 text as a candidate's text: command-word detection, "$lzcmd(" splitting, unescaping, macro
// expansion and key groups must keep every copy inside its buffer and terminate every output.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/os/key_sender.h"
#include "textservice/engine/command_words.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/macros.h"

namespace {

lz::LocalTime FixedClock() { return {2016, 1, 31, 9, 5, 7, 0}; }

struct Setup {
  std::unique_ptr<lz::EngineInstance> instance = std::make_unique<lz::EngineInstance>();
  std::vector<std::uint8_t> ime = std::vector<std::uint8_t>(0x4400, 0);
  Setup() {
    lz::SetLocalTimeSource(FixedClock);
    os::SetKeySink([](const os::KeyEvent&, void*) {}, nullptr);
    instance->blocks.ime = lz::ByteView{ime.data(), static_cast<std::uint32_t>(ime.size())};
    instance->blocks.ime.WriteU32(lz::ime_block::kBehaviourFlags, lz::ime_block::kCandidateCommands);
    const char16_t folder[] = u"C:\\Program Files\\Lanzo\\";
    std::memcpy(instance->install_folder, folder, sizeof folder);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Setup setup;
  lz::EngineInstance* e = setup.instance.get();
  // The text as a page item holds it: at most kPageTextUnits - 1 units and a terminator.
  std::vector<char16_t> text(std::min<std::size_t>(size / 2, lz::kPageTextUnits - 1) + 1, 0);
  std::memcpy(text.data(), data, (text.size() - 1) * 2);

  lz::PageItem& item = e->page[0];
  std::memcpy(item.text, text.data(), text.size() * 2);
  item.commit_units = static_cast<std::int32_t>(text.size());
  item.candidate = -1;
  e->page_item_count = 1;
  e->candidate_count = 0;
  lz::DetectCandidateCommand(e, 0);

  char16_t command[lz::kCommandTextUnits];
  lz::ExpandAppPath(command, text.data(), e);
  char16_t shown[lz::kCommandPartUnits];
  char16_t committed[lz::kCommandPartUnits];
  lz::ParseCandidateCommandText(text.data(), shown, committed, e);
  char16_t unescaped[64];
  lz::UnescapeCommandText(unescaped, text.data(), 64);
  char16_t expanded[lz::kExpandedTextUnits];
  lz::ExpandMacros(text.data(), expanded, e);
  lz::RunKeyboardCommand(text.data());
  return 0;
}
