#include "tracker/main/sound_backend_win32.h"

#include <windows.h>

#include <mmsystem.h>

#include "platform/os/native_path.h"

namespace tracker {
namespace {

// Both bitnesses export the tone under its x86 standard-call name.
constexpr char kSpeakerToneExport[] = "_SPEAKERTONE@8";
constexpr char16_t kToneLibrary[] = u"\\Bellmoth.dll";

using SpeakerToneEntry = void(WINAPI*)(const std::int32_t* frequency, const std::int32_t* milliseconds);

SpeakerTones::Player BindSpeakerTone(const std::u16string& program_folder) {
  // By full path: the search path would also find a library of that name planted in another folder.
  std::u16string path = program_folder;
  if (!path.empty() && path.back() == u'\\') path.pop_back();
  path += kToneLibrary;
  HMODULE library = LoadLibraryExW(os::WidePtr(path.c_str()), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!library) return {};
  const auto entry = reinterpret_cast<SpeakerToneEntry>(
      reinterpret_cast<void*>(GetProcAddress(library, kSpeakerToneExport)));
  if (!entry) {
    FreeLibrary(library);
    return {};
  }
  // The library stays loaded for the rest of the run, as the binding does.
  return [entry](std::int32_t frequency, std::int32_t milliseconds) { entry(&frequency, &milliseconds); };
}

}  // namespace

SystemSoundBackend::SystemSoundBackend(std::u16string program_folder)
    : program_folder_(std::move(program_folder)),
      tones_([this] { return BindSpeakerTone(program_folder_); },
             [](std::int32_t frequency, std::int32_t milliseconds) {
               ::Beep(static_cast<DWORD>(frequency), static_cast<DWORD>(milliseconds < 0 ? 0 : milliseconds));
             }) {}

void SystemSoundBackend::Tone(std::int32_t frequency, std::int32_t milliseconds) {
  tones_.Tone(frequency, milliseconds);
}

void SystemSoundBackend::PlaySystemSound(const std::u16string& alias) {
  PlaySoundW(os::WidePtr(alias.c_str()), nullptr, 0);
}

void SystemSoundBackend::PlayWaveFile(const std::u16string& path) {
  sndPlaySoundW(os::WidePtr(path.c_str()), SND_ASYNC);
}

void SystemSoundBackend::SendMediaCommand(const std::u16string& command) {
  mciSendStringW(os::WidePtr(command.c_str()), nullptr, 0, nullptr);
}

}  // namespace tracker
