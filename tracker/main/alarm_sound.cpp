#include "tracker/main/alarm_sound.h"

#include <utility>

namespace tracker {
namespace {

struct ToneStep {
  std::int32_t frequency;
  std::int32_t milliseconds;
};

constexpr ToneStep kMusic[] = {{500, 200}, {1000, 200}, {1500, 200}, {1200, 200}};
constexpr ToneStep kQuick[] = {{1260, 100}, {700, 100}, {1600, 100}, {1800, 100}};

constexpr std::u16string_view kWaveEnding = u".wav";

bool EndsWith(const std::u16string& text, std::u16string_view ending) {
  return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

}  // namespace

void SpeakerTones::Tone(std::int32_t frequency, std::int32_t milliseconds) {
  if (!tried_) {
    tried_ = true;
    if (bind_) speaker_ = bind_();
  }
  if (speaker_) {
    speaker_(frequency, milliseconds);
  } else if (beep_) {
    beep_(frequency, milliseconds);
  }
}

void PlayAlarmSound(const SoundChoice& choice, const std::u16string& system_sound, SoundBackend& backend) {
  switch (choice.selected) {
    case SoundChoice::Option::kSpeaker: {
      const auto& tune = choice.tune == kMusicTune ? kMusic : kQuick;
      for (const ToneStep& step : tune) backend.Tone(step.frequency, step.milliseconds);
      break;
    }
    case SoundChoice::Option::kSystemSound:
      backend.PlaySystemSound(system_sound.empty() ? std::u16string(kDefaultSystemSound) : system_sound);
      break;
    case SoundChoice::Option::kSoundFile:
      // The extension test is case-sensitive as it always was: ".WAV" goes through the media interface,
      // which plays it as well.
      if (EndsWith(choice.sound_file, kWaveEnding)) {
        backend.PlayWaveFile(choice.sound_file);
      } else {
        // Quoted, so that a path with blanks names one device instead of ending at its first blank.
        const std::u16string device = u"\"" + choice.sound_file + u"\"";
        backend.SendMediaCommand(u"close  " + device);
        backend.SendMediaCommand(u"open  " + device);
        backend.SendMediaCommand(u"play  " + device);
      }
      break;
    case SoundChoice::Option::kNone:
      break;
  }
}

}  // namespace tracker
