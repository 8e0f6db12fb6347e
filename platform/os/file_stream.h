#pragma once
// Reading a whole stdio stream, shared by the Win32 and POSIX file readers (they differ only in how
// they open the file).
#include <cstdint>
#include <cstdio>
#include <vector>

namespace os {

// Reads the stream from start to end into out and closes it; false (out empty) for a null stream or a
// failed read.
bool ReadWholeStream(std::FILE* f, std::vector<std::uint8_t>& out);

}  // namespace os
