#pragma once
// The input method's class identifier: "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" as text (at most 40
// units with its terminator) and as the 16 bytes of a binary GUID (Data1, Data2, Data3 little-endian,
// then Data4), the form stored in main.dmg and the soft block.
#include <cstdint>

namespace lz {

constexpr int kClassIdentifierUnits = 40;

// Parses the braced form; false for anything else.
bool ParseClassIdentifier(const char16_t* text, std::uint8_t (&out)[16]);

}  // namespace lz

namespace lz {

// The braced upper-case text of a binary identifier; out holds kClassIdentifierUnits units.
void FormatClassIdentifier(const std::uint8_t (&id)[16], char16_t* out);

}  // namespace lz
