#pragma once
// Whole small files (the time tracker's settings file): read at once, and replaced at once so that a
// save cut short never leaves half a file behind.
#include <cstdint>
#include <string>
#include <vector>

namespace os {

// False (out empty) when the file cannot be opened or read.
bool ReadWholeFile(const char16_t* path, std::vector<std::uint8_t>& out);

// Writes bytes to a temporary file beside path, then puts it in place of path (MoveFileExW with
// replacement on Windows, rename on POSIX). False when any step failed; path is then unchanged.
bool ReplaceWholeFile(const char16_t* path, const std::vector<std::uint8_t>& bytes);

}  // namespace os
