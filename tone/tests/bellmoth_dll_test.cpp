// Loads the built Bellmoth.dll the way the time tracker does (by name, binding the export by name)
// and checks the export directory the callers depend on.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kLibraryName = L"Bellmoth.dll";
constexpr const char* kExportName = "_SPEAKERTONE@8";

using SpeakerToneFn = void(WINAPI*)(const std::int32_t* frequency, const std::int32_t* durationMs);

class BellmothDll : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryW(kLibraryName);
    ASSERT_NE(module_, nullptr) << "LoadLibraryW failed with " << GetLastError();
  }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
  }

  template <typename T>
  const T* At(DWORD rva) const {
    return reinterpret_cast<const T*>(reinterpret_cast<const std::uint8_t*>(module_) + rva);
  }

  HMODULE module_ = nullptr;
};

struct ExportDirectoryView {
  DWORD ordinalBase = 0;
  DWORD functionCount = 0;
  std::vector<std::string> names;
  std::vector<WORD> nameIndexes;  // index into the address table for each name
};

#if defined(__i386__)
// Calls the routine the way a standard-call caller does and answers how many bytes of arguments it
// left on the stack: 0 when the callee removed its 8 bytes itself.
std::uint32_t StackBytesLeftByCall(SpeakerToneFn fn, const std::int32_t* frequency,
                                   const std::int32_t* durationMs) {
  auto target = reinterpret_cast<std::uintptr_t>(fn);
  auto first = reinterpret_cast<std::uintptr_t>(frequency);
  auto second = reinterpret_cast<std::uintptr_t>(durationMs);
  __asm__ volatile(
      "movl %%esp, %%esi\n\t"
      "pushl %2\n\t"
      "pushl %1\n\t"
      "call *%0\n\t"
      "movl %%esi, %0\n\t"
      "subl %%esp, %0\n\t"
      "movl %%esi, %%esp\n\t"
      : "+a"(target), "+c"(first), "+d"(second)
      :
      : "esi", "memory", "cc");
  return static_cast<std::uint32_t>(target);
}
#endif

TEST_F(BellmothDll, ExportsOnlySpeakerToneAsOrdinalOne) {
  const auto* dos = At<IMAGE_DOS_HEADER>(0);
  ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
  const auto* nt = At<IMAGE_NT_HEADERS>(static_cast<DWORD>(dos->e_lfanew));
  ASSERT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
  const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  ASSERT_NE(entry.VirtualAddress, 0u);
  const auto* dir = At<IMAGE_EXPORT_DIRECTORY>(entry.VirtualAddress);

  ExportDirectoryView view;
  view.ordinalBase = dir->Base;
  view.functionCount = dir->NumberOfFunctions;
  const auto* nameRvas = At<DWORD>(dir->AddressOfNames);
  const auto* nameOrdinals = At<WORD>(dir->AddressOfNameOrdinals);
  for (DWORD i = 0; i < dir->NumberOfNames; ++i) {
    view.names.emplace_back(At<char>(nameRvas[i]));
    view.nameIndexes.push_back(nameOrdinals[i]);
  }

  EXPECT_EQ(view.names, std::vector<std::string>{kExportName});
  EXPECT_EQ(view.functionCount, 1u);
  EXPECT_EQ(view.ordinalBase, 1u);
  EXPECT_EQ(view.nameIndexes, std::vector<WORD>{0});
  EXPECT_EQ(GetProcAddress(module_, MAKEINTRESOURCEA(1)), GetProcAddress(module_, kExportName));
}

TEST_F(BellmothDll, SoundsThroughTheNamedExport) {
  FARPROC proc = GetProcAddress(module_, kExportName);
  ASSERT_NE(proc, nullptr);
  auto speakerTone = reinterpret_cast<SpeakerToneFn>(reinterpret_cast<void*>(proc));

  // The arguments are read through their addresses and left as they were.
  const std::int32_t rest[2] = {0, 0};
  speakerTone(&rest[0], &rest[1]);
  std::int32_t frequency = 440;
  std::int32_t durationMs = 10;
  speakerTone(&frequency, &durationMs);
  EXPECT_EQ(frequency, 440);
  EXPECT_EQ(durationMs, 10);
  std::int32_t negative = -1;
  speakerTone(&frequency, &negative);
  EXPECT_EQ(negative, -1);
}

#if defined(__i386__)
TEST_F(BellmothDll, RemovesItsOwnArguments) {
  FARPROC proc = GetProcAddress(module_, kExportName);
  ASSERT_NE(proc, nullptr);
  const std::int32_t frequency = 0;
  const std::int32_t durationMs = 0;
  EXPECT_EQ(StackBytesLeftByCall(reinterpret_cast<SpeakerToneFn>(reinterpret_cast<void*>(proc)),
                                 &frequency, &durationMs),
            0u);
}
#endif

}  // namespace
