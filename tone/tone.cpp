#include "tone/tone.h"

#include <algorithm>

namespace tone {

namespace {

// GetVersion sets the high bit on the older Windows family; NT and later leave it clear.
constexpr std::uint32_t kNotNtFamilyBit = 0x80000000u;
constexpr std::uint32_t kLowWordMask = 0xFFFFu;
// A high-bit system reporting this low word is not one whose ports we may drive; it keeps Beep.
constexpr std::uint32_t kBeepOnlyLowWord = 0x0200u;

constexpr std::uint8_t LowByte(std::uint32_t value) { return static_cast<std::uint8_t>(value & 0xFFu); }
constexpr std::uint8_t SecondByte(std::uint32_t value) { return LowByte(value >> 8); }

}  // namespace

bool UsePortPath(std::uint32_t getVersionResult) {
  return (getVersionResult & kNotNtFamilyBit) != 0 &&
         (getVersionResult & kLowWordMask) != kBeepOnlyLowWord;
}

void SpeakerTone(const ToneBackend& backend, bool portPath, std::int32_t frequency,
                 std::int32_t durationMs) {
  durationMs = std::max(durationMs, std::int32_t{0});

  if (!portPath) {
    // Beep gets the frequency exactly as the caller gave it, 0 and out-of-range values included.
    backend.Beep(static_cast<std::uint32_t>(frequency), static_cast<std::uint32_t>(durationMs));
    return;
  }

  if (frequency == 0) {
    backend.Sleep(static_cast<std::uint32_t>(std::max(durationMs, kShortestRestMs)));
    return;
  }

  durationMs = std::max(durationMs, kShortestPortToneMs);

  // Signed division truncating toward zero; the timer latches only the low 16 bits of the quotient,
  // and a quotient of 0 (a frequency above the clock) makes it count 65536.
  const auto divisor = static_cast<std::uint32_t>(kTimerClockHz / frequency);
  backend.PortOut(kTimerControlPort, kChannel2SquareWave);
  backend.PortOut(kTimerChannel2Port, LowByte(divisor));
  backend.PortOut(kTimerChannel2Port, SecondByte(divisor));

  // The other six bits of the control port belong to the rest of the machine: write them back as read.
  const std::uint8_t systemControl = backend.PortIn(kSystemControlPort);
  backend.PortOut(kSystemControlPort, static_cast<std::uint8_t>(systemControl | kSpeakerOnBits));
  backend.Sleep(static_cast<std::uint32_t>(durationMs));
  backend.PortOut(kSystemControlPort, static_cast<std::uint8_t>(systemControl & ~kSpeakerOnBits));
}

}  // namespace tone
