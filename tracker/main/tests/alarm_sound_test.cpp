// The alarm player's calls, as traces: which back end call with which text or tones, for each choice.
#include "tracker/main/alarm_sound.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tracker {
namespace {

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

class TraceBackend final : public SoundBackend {
 public:
  explicit TraceBackend(SpeakerTones* tones = nullptr) : tones_(tones) {}
  void Tone(std::int32_t frequency, std::int32_t milliseconds) override {
    if (tones_) {
      tones_->Tone(frequency, milliseconds);
    } else {
      trace.push_back("tone " + std::to_string(frequency) + " " + std::to_string(milliseconds));
    }
  }
  void PlaySystemSound(const std::u16string& alias) override { trace.push_back("PlaySound " + Narrow(alias)); }
  void PlayWaveFile(const std::u16string& path) override { trace.push_back("sndPlaySound " + Narrow(path)); }
  void SendMediaCommand(const std::u16string& command) override { trace.push_back("mci " + Narrow(command)); }
  std::vector<std::string> trace;

 private:
  SpeakerTones* tones_;
};

using Option = SoundChoice::Option;

TEST(PlayAlarmSound, TracesForEachChoice) {
  struct Case {
    const char* name;
    SoundChoice choice;
    std::u16string sys_sound;
    std::vector<std::string> trace;
  } const cases[] = {
      {"music", {Option::kSpeaker, u"Music", u"*.wav"}, u"MailBeep",
       {"tone 500 200", "tone 1000 200", "tone 1500 200", "tone 1200 200"}},
      {"quick", {Option::kSpeaker, u"Quick", u"*.wav"}, u"MailBeep",
       {"tone 1260 100", "tone 700 100", "tone 1600 100", "tone 1800 100"}},
      {"music is case-sensitive", {Option::kSpeaker, u"music", u""}, u"",
       {"tone 1260 100", "tone 700 100", "tone 1600 100", "tone 1800 100"}},
      {"system sound", {Option::kSystemSound, u"Quick", u""}, u"SystemHand", {"PlaySound SystemHand"}},
      {"empty sysSound", {Option::kSystemSound, u"Quick", u""}, u"", {"PlaySound MailBeep"}},
      {"wave file", {Option::kSoundFile, u"Quick", u"C:\\My Sounds\\ring.wav"}, u"",
       {"sndPlaySound C:\\My Sounds\\ring.wav"}},
      {"capital extension goes to the media interface, quoted",
       {Option::kSoundFile, u"Quick", u"C:\\My Sounds\\tune.MID"},
       u"",
       {"mci close  \"C:\\My Sounds\\tune.MID\"", "mci open  \"C:\\My Sounds\\tune.MID\"",
        "mci play  \"C:\\My Sounds\\tune.MID\""}},
      {"capital WAV", {Option::kSoundFile, u"Quick", u"D:\\a.WAV"}, u"",
       {"mci close  \"D:\\a.WAV\"", "mci open  \"D:\\a.WAV\"", "mci play  \"D:\\a.WAV\""}},
      {"no option selected", {Option::kNone, u"Music", u"a.wav"}, u"MailBeep", {}},
  };
  for (const auto& c : cases) {
    TraceBackend backend;
    PlayAlarmSound(c.choice, c.sys_sound, backend);
    EXPECT_EQ(backend.trace, c.trace) << c.name;
  }
}

TEST(PlayAlarmSound, TheToneLibraryIsBoundAtTheFirstTuneOnly) {
  std::vector<std::string> trace;
  int binds = 0;
  SpeakerTones tones(
      [&] {
        ++binds;
        return SpeakerTones::Player([&](std::int32_t f, std::int32_t ms) {
          trace.push_back("SPEAKERTONE " + std::to_string(f) + " " + std::to_string(ms));
        });
      },
      [&](std::int32_t f, std::int32_t ms) { trace.push_back("Beep " + std::to_string(f) + " " + std::to_string(ms)); });
  TraceBackend backend(&tones);
  PlayAlarmSound({Option::kSystemSound, u"Music", u""}, u"", backend);
  EXPECT_EQ(binds, 0);  // a run without a tune never loads the library
  PlayAlarmSound({Option::kSpeaker, u"Music", u""}, u"", backend);
  PlayAlarmSound({Option::kSpeaker, u"Quick", u""}, u"", backend);
  EXPECT_EQ(binds, 1);
  ASSERT_EQ(trace.size(), 8u);
  EXPECT_EQ(trace[0], "SPEAKERTONE 500 200");
  EXPECT_EQ(trace[7], "SPEAKERTONE 1800 100");
}

TEST(PlayAlarmSound, AMissingToneLibraryPlaysTheSameTonesThroughBeep) {
  std::vector<std::string> trace;
  int binds = 0;
  SpeakerTones tones([&] { ++binds; return SpeakerTones::Player(); },
                     [&](std::int32_t f, std::int32_t ms) {
                       trace.push_back("Beep " + std::to_string(f) + " " + std::to_string(ms));
                     });
  TraceBackend backend(&tones);
  PlayAlarmSound({Option::kSpeaker, u"Music", u""}, u"", backend);
  PlayAlarmSound({Option::kSpeaker, u"Music", u""}, u"", backend);
  EXPECT_EQ(binds, 1);  // not looked for again at every tone
  EXPECT_FALSE(tones.bound());
  const std::vector<std::string> music = {"Beep 500 200", "Beep 1000 200", "Beep 1500 200", "Beep 1200 200"};
  ASSERT_EQ(trace.size(), 8u);
  EXPECT_EQ(std::vector<std::string>(trace.begin(), trace.begin() + 4), music);
}

}  // namespace
}  // namespace tracker
