#pragma once
// The alarm player's way to the system: the tone library's SPEAKERTONE (bound at the first tone, by full
// path from the program's folder), PlaySoundW, sndPlaySoundW and mciSendStringW.
#include <string>

#include "tracker/main/alarm_sound.h"

namespace tracker {

class SystemSoundBackend final : public SoundBackend {
 public:
  explicit SystemSoundBackend(std::u16string program_folder);
  void Tone(std::int32_t frequency, std::int32_t milliseconds) override;
  void PlaySystemSound(const std::u16string& alias) override;
  void PlayWaveFile(const std::u16string& path) override;
  void SendMediaCommand(const std::u16string& command) override;

 private:
  std::u16string program_folder_;
  SpeakerTones tones_;
};

}  // namespace tracker
