#pragma once
// The bodies of the "[-DME设置-]" and "[-SKIN设置-]" sections: per-scheme query and commit options in the
// dme block and the candidate window's appearance in the skin block. Readers apply one key=value pair
// (unknown keys and values change nothing); writers produce the whole body with its comment lines.
// Other programs reach these only through a SettingsTextOps table.
#include <cstdint>
#include <string>
#include <string_view>

#include "textservice/engine/byte_view.h"

namespace lz {

// Sub-kinds of SettingsTextRead and SettingsTextWrite.
constexpr int kDmeSettings = 1;
constexpr int kSkinSettings = 2;

// The capacity in characters that the configuration program gives the writers.
constexpr int kSettingsTextCapacity = 4096;

int ReadDmeSettingsText(ByteView dme, std::u16string_view key, std::u16string_view value);
int ReadSkinSettingsText(ByteView skin, std::u16string_view key, std::u16string_view value);

// Write the section body into buffer (capacity characters, terminator included): every part is appended
// only as far as room remains, and the buffer is always terminated. Return the characters written.
int WriteDmeSettingsText(char16_t* buffer, ByteView dme, int capacity);
int WriteSkinSettingsText(char16_t* buffer, ByteView skin, int capacity);

// Sub-kind 1 the dme pair, 2 the skin pair; any other sub-kind does nothing and returns subKind - 2.
int SettingsTextRead(ByteView block, std::u16string_view key, std::u16string_view value, int subKind);
int SettingsTextWrite(ByteView block, char16_t* buffer, int capacity, int subKind);

// The keys of one key class (a bit of the dme key-class table) as text: every key 1..127 with the bit,
// in increasing order, each in its text form (KeyCharacterText).
std::u16string KeyClassKeys(ByteView dme, std::uint8_t bit);

// Clears the bit for all 256 keys, then sets it for the key character of every character of keys that
// names one (KeyCharacterOf).
void SetKeyClassKeys(ByteView dme, std::uint8_t bit, std::u16string_view keys);

// The read and write operations handed to whoever applies or shows settings text. Slot order is the
// export's: the free function first.
struct SettingsTextOps {
  void (*free)(SettingsTextOps* ops);
  int (*read)(ByteView block, std::u16string_view key, std::u16string_view value, int subKind);
  int (*write)(ByteView block, char16_t* buffer, int capacity, int subKind);
};

// A new table of this library's operations (SettingsTextRead, SettingsTextWrite); null when out of
// memory. Free it through its free slot.
SettingsTextOps* NewSettingsTextOps();

}  // namespace lz
