// Feeds arbitrary bytes to the installer's readers of outside input: as a payload config.dsc, and as
// UTF-16 text to the command-line parser, the removal rules, the file-name rules and the font names.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "installer/command_line.h"
#include "installer/file_names.h"
#include "installer/payload_config.h"
#include "installer/removal_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lz::installer;
  const std::vector<std::uint8_t> bytes(data, data + size);
  auto state = std::make_unique<SetupState>();
  TakePayloadBlocks(bytes, *state);

  std::u16string text;
  for (std::size_t i = 0; i + 1 < size; i += 2) text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  ParseCommandLine(text);
  CopyArguments(text, true);
  const ProtectedFolders folders{{u"C:\\Windows", u"C:\\Program Files"}, u"C:\\ProgramData"};
  MayRemoveFolder(text, RemovalRoot::kInstallFolder, folders);
  MayRemoveFolder(text, RemovalRoot::kDataFolder, folders);
  IsPlainFileName(text);
  FontValueName(text);
  VersionFolderOfImeName(text);
  return 0;
}
