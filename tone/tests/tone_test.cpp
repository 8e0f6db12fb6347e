#include "tone/tone.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace {

// Writes down every back-end call as one short line, so a case can state the whole sequence.
class RecordingBackend final : public tone::ToneBackend {
 public:
  explicit RecordingBackend(std::uint8_t systemControlByte) : systemControlByte_(systemControlByte) {}

  void Beep(std::uint32_t frequency, std::uint32_t durationMs) const override {
    Record("beep %u %u", static_cast<unsigned>(frequency), static_cast<unsigned>(durationMs));
  }
  void PortOut(std::uint16_t port, std::uint8_t value) const override {
    Record("out %02x %02x", static_cast<unsigned>(port), static_cast<unsigned>(value));
  }
  std::uint8_t PortIn(std::uint16_t port) const override {
    Record("in %02x", static_cast<unsigned>(port));
    return systemControlByte_;
  }
  void Sleep(std::uint32_t durationMs) const override {
    Record("sleep %u", static_cast<unsigned>(durationMs));
  }

  const std::vector<std::string>& trace() const { return trace_; }

 private:
  template <typename... Args>
  void Record(const char* format, Args... args) const {
    char line[64];
    std::snprintf(line, sizeof line, format, args...);
    trace_.emplace_back(line);
  }

  std::uint8_t systemControlByte_;
  mutable std::vector<std::string> trace_;
};

// Sounds one tone against the recorder and answers with what reached the machine.
std::vector<std::string> Trace(bool portPath, std::int32_t frequency, std::int32_t durationMs,
                               std::uint8_t systemControlByte) {
  RecordingBackend backend(systemControlByte);
  tone::SpeakerTone(backend, portPath, frequency, durationMs);
  return backend.trace();
}

constexpr bool kPort = true;
constexpr bool kBeep = false;
constexpr std::int32_t kMaxInt = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMinInt = std::numeric_limits<std::int32_t>::min();

struct ToneCase {
  const char* what;
  bool portPath;
  std::int32_t frequency;
  std::int32_t durationMs;
  std::uint8_t systemControlByte;  // what port 0x61 reads before the tone
  std::vector<std::string> expected;
};

TEST(SpeakerTone, SendsExactlyTheDesignedSequence) {
  const std::vector<ToneCase> cases = {
      {"port: 440 Hz for 10 ms, divisor 2711, raised to the shortest tone", kPort, 440, 10, 0xA4,
       {"out 43 b6", "out 42 97", "out 42 0a", "in 61", "out 61 a7", "sleep 75", "out 61 a4"}},
      {"port: speaker bits already on when read are cleared afterwards, bits 2-7 kept", kPort, 440,
       10, 0x5F,
       {"out 43 b6", "out 42 97", "out 42 0a", "in 61", "out 61 5f", "sleep 75", "out 61 5c"}},
      {"port: every upper bit set survives the tone", kPort, 440, 10, 0xFC,
       {"out 43 b6", "out 42 97", "out 42 0a", "in 61", "out 61 ff", "sleep 75", "out 61 fc"}},
      {"port: 74 ms becomes 75", kPort, 440, 74, 0x00,
       {"out 43 b6", "out 42 97", "out 42 0a", "in 61", "out 61 03", "sleep 75", "out 61 00"}},
      {"port: 75 ms stays", kPort, 440, 75, 0x00,
       {"out 43 b6", "out 42 97", "out 42 0a", "in 61", "out 61 03", "sleep 75", "out 61 00"}},
      {"port: 200 ms stays", kPort, 440, 200, 0x00,
       {"out 43 b6", "out 42 97", "out 42 0a", "in 61", "out 61 03", "sleep 200", "out 61 00"}},
      {"port: duration 0 sounds the shortest tone", kPort, 440, 0, 0x00,
       {"out 43 b6", "out 42 97", "out 42 0a", "in 61", "out 61 03", "sleep 75", "out 61 00"}},
      {"port: a negative duration counts as 0", kPort, 440, -1, 0x00,
       {"out 43 b6", "out 42 97", "out 42 0a", "in 61", "out 61 03", "sleep 75", "out 61 00"}},
      {"port: 18 Hz, quotient 66287 keeps its low 16 bits 0x02ef", kPort, 18, 100, 0x00,
       {"out 43 b6", "out 42 ef", "out 42 02", "in 61", "out 61 03", "sleep 100", "out 61 00"}},
      {"port: 1193180 Hz, divisor 1", kPort, 1193180, 100, 0x00,
       {"out 43 b6", "out 42 01", "out 42 00", "in 61", "out 61 03", "sleep 100", "out 61 00"}},
      {"port: 1193181 Hz, divisor 0 as two zero bytes", kPort, 1193181, 100, 0x00,
       {"out 43 b6", "out 42 00", "out 42 00", "in 61", "out 61 03", "sleep 100", "out 61 00"}},
      {"port: the largest frequency, divisor 0", kPort, kMaxInt, 100, 0x00,
       {"out 43 b6", "out 42 00", "out 42 00", "in 61", "out 61 03", "sleep 100", "out 61 00"}},
      {"port: -440 Hz, signed quotient -2711 is 0xf569 to the timer", kPort, -440, 100, 0x00,
       {"out 43 b6", "out 42 69", "out 42 f5", "in 61", "out 61 03", "sleep 100", "out 61 00"}},
      {"port: frequency 0 is a rest that touches no port", kPort, 0, 200, 0xA4, {"sleep 200"}},
      {"port: a rest of 0 ms waits 1 ms", kPort, 0, 0, 0xA4, {"sleep 1"}},
      {"port: a rest of negative length waits 1 ms", kPort, 0, kMinInt, 0xA4, {"sleep 1"}},
      {"beep: 1260 Hz for 100 ms unchanged", kBeep, 1260, 100, 0xA4, {"beep 1260 100"}},
      {"beep: a short duration is not raised", kBeep, 440, 10, 0xA4, {"beep 440 10"}},
      {"beep: frequency 0 is passed on", kBeep, 0, 200, 0xA4, {"beep 0 200"}},
      {"beep: duration 0", kBeep, 440, 0, 0xA4, {"beep 440 0"}},
      {"beep: a frequency above the timer clock is passed on", kBeep, 1193181, 50, 0xA4,
       {"beep 1193181 50"}},
      {"beep: a negative frequency is passed on bit for bit", kBeep, -1, 50, 0xA4,
       {"beep 4294967295 50"}},
      {"beep: a negative duration counts as 0", kBeep, 440, -100, 0xA4, {"beep 440 0"}},
      {"beep: the most negative duration counts as 0", kBeep, 440, kMinInt, 0xA4, {"beep 440 0"}},
  };
  for (const ToneCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Trace(c.portPath, c.frequency, c.durationMs, c.systemControlByte), c.expected);
  }
}

struct VersionCase {
  const char* what;
  std::uint32_t getVersionResult;
  bool portPath;
};

TEST(UsePortPath, FollowsTheVersionWord) {
  const std::vector<VersionCase> cases = {
      {"Windows 95 (4.0)", 0xC3B60004u, true},
      {"Windows 98 (4.10)", 0xC0000A04u, true},
      {"Windows Me (4.90)", 0xC0005A04u, true},
      {"high bit with an empty low word", 0x80000000u, true},
      {"high bit, low word 0x0200", 0x80000200u, false},
      {"every high-word bit, low word 0x0200", 0xFFFF0200u, false},
      {"high bit, low word 0x0201", 0x80000201u, true},
      {"high bit, low word 0x0002", 0x80000002u, true},
      {"Windows NT 4.0", 0x05650004u, false},
      {"Windows XP (5.1)", 0x0A280105u, false},
      {"Windows 7 (6.1)", 0x1DB10106u, false},
      {"Windows 10 (10.0)", 0x4A61000Au, false},
      {"high bit clear, low word 0x0200", 0x00000200u, false},
      {"every bit but the high one", 0x7FFFFFFFu, false},
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(tone::UsePortPath(c.getVersionResult), c.portPath);
  }
}

}  // namespace
