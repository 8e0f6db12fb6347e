#pragma once
// Whole text files read for import: any encoding the one text-file decoder recognises.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lz {

constexpr int kTextFileRead = 0;
constexpr int kTextFileNoPath = -1;
constexpr int kTextFileCannotOpen = 1;
constexpr int kTextFileOutOfMemory = 2;

// Reads the file and decodes it (TextBufferToWide) into out, which ends at the first zero unit unless
// keep_zeros is set (a reader that judges each line itself sees every line after a zero too).
// Returns one of the codes above; out is empty unless the file was read.
int ReadTextFile(const char16_t* path, std::u16string& out, bool keep_zeros = false);

// Text files config writes are UTF-8 with its mark.
constexpr std::uint8_t kUtf8Mark[] = {0xEF, 0xBB, 0xBF};

// Appends the text as UTF-8; half a surrogate pair is not text and becomes U+FFFD.
void AppendUtf8(std::vector<std::uint8_t>& out, std::u16string_view text);

}  // namespace lz
