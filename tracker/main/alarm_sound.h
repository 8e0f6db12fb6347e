#pragma once
// Every sound of the tracker (a reminder's alarm, the chime) comes from one routine that reads the sound
// choice live from the options: a speaker tune through the tone library, a system sound by its alias, or
// a sound file. The calls go to a back end, which the program binds to the system and tests record.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace tracker {

// The four ways out of the program; each returns what the system answered (ignored by the player).
class SoundBackend {
 public:
  virtual ~SoundBackend() = default;
  // One tone on the speaker: SPEAKERTONE of Bellmoth, or Beep when the library or its export is missing.
  virtual void Tone(std::int32_t frequency, std::int32_t milliseconds) = 0;
  // PlaySoundW(alias, no module, flags 0): synchronous, alias first, then file name.
  virtual void PlaySystemSound(const std::u16string& alias) = 0;
  // sndPlaySoundW(path, SND_ASYNC).
  virtual void PlayWaveFile(const std::u16string& path) = 0;
  // mciSendStringW(command, no buffer, no callback).
  virtual void SendMediaCommand(const std::u16string& command) = 0;
};

// The speaker tune's tones: the tone library is bound at the first tone, not at start-up, so a run that
// never plays a tune never loads it; when it or its export is missing, the same tones go to Beep.
class SpeakerTones {
 public:
  using Player = std::function<void(std::int32_t frequency, std::int32_t milliseconds)>;
  // bind: loads the library and finds its export; an empty player when either is missing.
  SpeakerTones(std::function<Player()> bind, Player beep) : bind_(std::move(bind)), beep_(std::move(beep)) {}
  void Tone(std::int32_t frequency, std::int32_t milliseconds);
  bool bound() const { return static_cast<bool>(speaker_); }

 private:
  std::function<Player()> bind_;
  Player beep_;
  Player speaker_;
  bool tried_ = false;
};

// The options' sound controls as they stand at the moment of the alarm.
struct SoundChoice {
  enum class Option { kNone, kSpeaker, kSystemSound, kSoundFile };
  Option selected = Option::kSystemSound;
  std::u16string tune = u"Quick";       // the tune list's text ("Music" or the other tune)
  std::u16string sound_file = u"*.wav";  // the file box's text
};

inline constexpr char16_t kDefaultSystemSound[] = u"MailBeep";
inline constexpr char16_t kMusicTune[] = u"Music";

// Plays the alarm: system_sound is the main window's `sysSound` (empty plays "MailBeep").
void PlayAlarmSound(const SoundChoice& choice, const std::u16string& system_sound, SoundBackend& backend);

}  // namespace tracker
