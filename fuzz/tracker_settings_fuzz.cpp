// Any bytes as the time tracker's settings file: read as start-up reads it (every key, the reminders),
// written back as the save writes it, and the written file read again. No input may crash, a value read
// back is never longer than the profile functions allow, and the save's own keys read back as written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/os/local_clock.h"
#include "tracker/main/settings_file.h"
#include "tracker/main/startup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  const tracker::SettingsFile file = tracker::SettingsFile::FromBytes(bytes);
  const os::LocalDateTime today{2026, 12, 10, 4, 14, 42, 7, 0};
  const tracker::StartupState state = tracker::DecideStartup(file, u"C:\\Tools", today);
  for (const auto& text : state.texts) {
    if (text.size() > tracker::kValueByteLimit) std::abort();
  }
  if (state.intListview1 < 0 || state.intListview1 > tracker::kStoredReminders) std::abort();

  tracker::SettingsFile saved = file;
  tracker::WriteSettings(state.texts, state.main_window.value_or(tracker::kDesignedMainWindow), state.reminders,
                         state.intListview1, saved);
  const tracker::SettingsFile again = tracker::SettingsFile::FromBytes(saved.Bytes());
  // The file may hold an earlier "MyApp" section of another case; only a save into a file without one
  // is sure to read back whole.
  if (!file.Find(tracker::kSettingsSection, u"SM") && !file.Find(tracker::kSettingsSection, u"tra4")) {
    tracker::ReminderTable reloaded;
    const int kept = tracker::LoadReminders(again, reloaded);
    if (kept > tracker::kStoredReminders) std::abort();
  }
  return 0;
}
