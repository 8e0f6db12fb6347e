// Bellmoth.dll: the time tracker's chime calls its one export, _SPEAKERTONE@8, to sound a tone.
// This file only wires the tone routine to the real machine; the decisions are in tone.cpp.
#include <windows.h>

#include <cstdint>

#include "tone/tone.h"

namespace {

class SystemToneBackend final : public tone::ToneBackend {
 public:
  void Beep(std::uint32_t frequency, std::uint32_t durationMs) const override {
    ::Beep(frequency, durationMs);
  }

  // Direct port access is only ever reached on the older Windows family, where an application may
  // touch the hardware; on NT-based systems the routine goes through Beep instead.
  void PortOut(std::uint16_t port, std::uint8_t value) const override {
    __asm__ volatile("outb %0, %1" : : "a"(value), "Nd"(port));
  }

  std::uint8_t PortIn(std::uint16_t port) const override {
    std::uint8_t value;
    __asm__ volatile("inb %1, %0" : "=a"(value) : "Nd"(port));
    return value;
  }

  void Sleep(std::uint32_t durationMs) const override { ::Sleep(durationMs); }
};

const SystemToneBackend g_backend;

// Chosen once when the library loads and never looked at again.
bool g_portPath = false;

}  // namespace

// The module definition file exports this under the name _SPEAKERTONE@8 and nothing else. Both
// arguments are read once and never written; the callee removes them from the stack.
extern "C" void WINAPI SpeakerToneEntry(const std::int32_t* frequency, const std::int32_t* durationMs) {
  tone::SpeakerTone(g_backend, g_portPath, *frequency, *durationMs);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    g_portPath = tone::UsePortPath(GetVersion());
  }
  return TRUE;
}
