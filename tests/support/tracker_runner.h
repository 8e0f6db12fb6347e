#pragma once
// Runs the built Pendulo.exe end to end (Windows trees): a copy of the program in a folder of its own,
// with a given settings file, sent commands as its menus send them, closed, and its settings file read
// back.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace lz::test {

struct PenduloRun {
  bool started = false;
  bool window_found = false;
  bool window_visible = false;
  bool ended = false;  // the program ended by itself after its window was closed
  unsigned long exit_code = 0;
  std::optional<std::vector<std::uint8_t>> settings;  // Wexrad.txt after the run, when there is one
};

// program: the built Pendulo.exe; folder: an empty folder the copy runs in; settings: the Wexrad.txt to
// start with (none: no file); commands: WM_COMMAND identifiers sent one after another once the window is up.
PenduloRun RunPendulo(const std::filesystem::path& program, const std::filesystem::path& folder,
                      const std::optional<std::vector<std::uint8_t>>& settings, const std::vector<int>& commands);

}  // namespace lz::test
