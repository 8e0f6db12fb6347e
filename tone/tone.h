#pragma once
// The tone routine of Bellmoth: one tone on the PC speaker, either handed to the system's Beep or
// made by programming channel 2 of the 8254 timer and gating the speaker through the system control
// port. The decisions live here, over a small back end, so that a test can record every call the
// routine makes; the DLL supplies the real back end.
#include <cstdint>

namespace tone {

// What the routine needs of the machine. The DLL forwards these to Beep, Sleep and the I/O ports.
class ToneBackend {
 public:
  virtual void Beep(std::uint32_t frequency, std::uint32_t durationMs) const = 0;
  virtual void PortOut(std::uint16_t port, std::uint8_t value) const = 0;
  virtual std::uint8_t PortIn(std::uint16_t port) const = 0;
  virtual void Sleep(std::uint32_t durationMs) const = 0;

 protected:
  ~ToneBackend() = default;
};

inline constexpr std::uint16_t kTimerChannel2Port = 0x42;
inline constexpr std::uint16_t kTimerControlPort = 0x43;
inline constexpr std::uint16_t kSystemControlPort = 0x61;

// Channel 2, low byte then high byte, mode 3 (square wave), binary count.
inline constexpr std::uint8_t kChannel2SquareWave = 0xB6;
// Bit 0 opens the timer 2 gate, bit 1 lets its output reach the speaker.
inline constexpr std::uint8_t kSpeakerOnBits = 0x03;
// The timer's input clock in hertz; the divisor is this over the wanted frequency.
inline constexpr std::int32_t kTimerClockHz = 1193180;
// A speaker tone shorter than this is hardly heard, so the port path never sounds one.
inline constexpr std::int32_t kShortestPortToneMs = 75;
// A rest of 0 ms on the port path still yields the processor once.
inline constexpr std::int32_t kShortestRestMs = 1;

// Decides from GetVersion's result, once per load, whether this system lets the library drive the
// speaker through the ports (the older Windows family) or must go through Beep (NT and later).
bool UsePortPath(std::uint32_t getVersionResult);

// Sounds one tone and returns when it has ended. A negative duration counts as 0, so that neither
// Beep nor Sleep is asked to wait for about 49 days.
void SpeakerTone(const ToneBackend& backend, bool portPath, std::int32_t frequency,
                 std::int32_t durationMs);

}  // namespace tone
