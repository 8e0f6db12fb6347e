#pragma once
// Whole text files read for import: any encoding the one text-file decoder recognises.
#include <string>

namespace lz {

constexpr int kTextFileRead = 0;
constexpr int kTextFileNoPath = -1;
constexpr int kTextFileCannotOpen = 1;
constexpr int kTextFileOutOfMemory = 2;

// Reads the file and decodes it (TextBufferToWide) into out, which ends at the first zero unit.
// Returns one of the codes above; out is empty unless the file was read.
int ReadTextFile(const char16_t* path, std::u16string& out);

}  // namespace lz
