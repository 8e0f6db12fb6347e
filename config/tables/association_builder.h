#pragma once
// Builds the association table sysl.dmg and the English table engl.dmg from a word list, one word or
// phrase per line. Both are tables of association type: records without a code, keyed by their text,
// offered in the order of first appearance in the list: the first word beginning with a character gets
// the highest order value of that character.
#include <cstdint>
#include <string_view>

#include "textservice/engine/mapped_file.h"

namespace lz {

// Progress of a build: (done, total).
using TableProgress = void (*)(int done, int total);

// Every order counter starts here; a record takes its counter's value and the counter steps down to 1.
constexpr std::uint32_t kAssociationFirstOrder = 32767;
// The first table string of an association table starts after the offset table and a zero uint32.
constexpr std::uint32_t kAssociationGapBytes = 4;
// A record: uint32 flags, uint8 text length, the text.
constexpr std::uint32_t kAssociationRecordFixedBytes = 5;
constexpr const char* kAssociationTableName = "lxmb";

// The first character of UTF-8 bytes as one UTF-16 unit or a surrogate pair in out[0..1]; returns the
// units written, 0 for no bytes, -1 for a byte that cannot start a sequence or a sequence cut short.
int DecodeFirstCharacter(const std::uint8_t* bytes, int byte_count, char16_t* out, int capacity);

// The table of a word list given as text. Lines end at the first CR or LF; empty lines vanish; a line
// that begins with "//" but not "///" is a comment, and "///" stands for "//". Repeated lines are kept
// once, at their first place. Texts over 250 UTF-8 bytes keep the whole characters that fit. The file
// at table_path is created at exactly its size. *first_has_hash (when given) tells whether the first entry
// holds a "#" (set while it is the only entry). Returns 1 when the table was written; 0 when the list has
// no entry or the file cannot be made.
int BuildAssociationTableFromText(std::u16string_view list, const char16_t* table_path, TableProgress progress,
                                  bool* first_has_hash);

// The same from a word-list file in any encoding the text decoder knows.
int BuildAssociationTable(const char16_t* list_path, const char16_t* table_path, TableProgress progress,
                          bool* first_has_hash);

// Rebuilds the table at target_path from a word list: the new table is built in temporary_path (the
// caller's, so that two builds never share a file), then copied over the start of the target under the
// target's writer lock, the target grown first when it is smaller (a larger target keeps its size; its
// header then describes only the new records). Every failure leaves the target as it was: a list without
// entries, a temporary file that cannot be made, a target that cannot be mapped for writing (a heap copy
// would never reach the file) or cannot grow. Returns 1 or 0.
int RebuildAssociationTable(const char16_t* target_path, const char16_t* list_path, const char16_t* temporary_path,
                            bool* first_has_hash);

}  // namespace lz
