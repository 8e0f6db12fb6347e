#pragma once
// What the installer's system tests share: the identity they install, files and folders of the prefix,
// a child process that keeps a library loaded or a file mapped, the pending moves of the next restart
// and the restart itself (Wine's "wineboot -r" performs the pending moves).
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "textservice/engine/byte_view.h"

namespace lz::installer::test {

// A soft block with an identity: the class identifier, IMEName, names and version texts, LANGID 0x0804.
struct TestIdentity {
  std::vector<std::uint8_t> soft;
  std::u16string class_identifier;
  explicit TestIdentity(const std::u16string& class_identifier, const std::u16string& ime_name = u"lztest.361.1");
  ByteView Soft() { return ByteView{soft.data(), static_cast<std::uint32_t>(soft.size())}; }
};

std::u16string TempFolder();
std::u16string ThisProgramFolder();
// The system folder as this process reaches it (for a 32-bit process on a 64-bit Windows, the 32-bit one).
std::u16string OwnSystemFolder();
// The folder OwnSystemFolder really is, under the name the restart gives it (for a 32-bit process on a
// 64-bit Windows, the 32-bit system folder's own name).
std::u16string OwnSystemFolderRealName();
// The machine's own system folder reached through the "Sysnative" alias: only a 32-bit process on a
// 64-bit Windows has it (empty elsewhere).
std::u16string NativeSystemThroughAlias();
// The machine's own system folder under its real name.
std::u16string NativeSystemFolder();
// The test COM server of this build, beside the test program.
std::u16string TestServerPath();

bool FileExists(const std::u16string& path);
void WriteBytes(const std::u16string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadBytes(const std::u16string& path);
std::string ReadUtf8(const std::u16string& path);

// The sources of the pending moves ("\??\" taken off), in the order they were scheduled.
std::vector<std::u16string> PendingMoveSources();

// Restarts the prefix's Windows as far as pending moves go.
void RunRestart();

// A child process of this test program that loads a library (or maps a file) and keeps it until the
// object goes.
class HeldFile {
 public:
  HeldFile(const char* mode, const std::u16string& path);
  ~HeldFile();
  bool ready() const { return ready_; }
  void Release();

 private:
  HANDLE release_ = nullptr;
  std::intptr_t process_ = 0;
  bool ready_ = false;
};

}  // namespace lz::installer::test
