#pragma once
// Runs the built Pendulo.exe end to end (Windows trees): a copy of the program in a folder of its own,
// with a given settings file, sent commands as its menus send them, its window closed (which hides it to
// the notification area), then the Quit command, and its settings file read back after each step.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lz::test {

struct PenduloRun {
  bool started = false;
  bool window_found = false;
  bool window_visible = false;
  bool icon_at_start = false;  // the notification area knows the icon (NIM_MODIFY answered TRUE)
  // Windows' question before logging off (WM_QUERYENDSESSION), when the run asked it.
  std::optional<long long> end_session_answer;
  std::optional<std::vector<std::uint8_t>> settings_after_end_session;
  // After WM_CLOSE.
  bool visible_after_close = true;
  bool icon_after_close = false;
  std::optional<std::vector<std::uint8_t>> settings_after_close;
  // After Quit (a question about unsaved records is answered No).
  bool ended = false;  // the program ended by itself after Quit
  unsigned long exit_code = 0;
  bool icon_after_quit = true;
  std::optional<std::vector<std::uint8_t>> settings;  // Wexrad.txt after the run, when there is one
  // Each step the program did not answer in time, with the visible windows it had then, so a failed
  // run says where it stuck ("" for a run that answered every step).
  std::string stuck;
};

// program: the built Pendulo.exe; folder: an empty folder the copy runs in; settings: the Wexrad.txt to
// start with (none: no file); commands: WM_COMMAND identifiers sent one after another once the window is
// up; ask_end_session: send WM_QUERYENDSESSION after the commands.
PenduloRun RunPendulo(const std::filesystem::path& program, const std::filesystem::path& folder,
                      const std::optional<std::vector<std::uint8_t>>& settings, const std::vector<int>& commands,
                      bool ask_end_session = false);

// Whether window hwnd has the notification-area icon uID 1: NIM_MODIFY with no flags succeeds exactly
// while it exists, also when another process asks.
bool HasTrayIcon(void* hwnd);

}  // namespace lz::test
