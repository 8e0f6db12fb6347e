#pragma once
// Reading explanations out of the dictionary table dict.dms, for the dictionary window beside the
// candidate window and for the configuration program's dictionary. The records are read leniently but
// never past the view: a record is another process's bytes, and a broken one must cost its explanation,
// not the host application.
#include <cstddef>
#include <cstdint>
#include <string>

#include "textservice/engine/byte_view.h"
#include "textservice/engine/mapped_file.h"

namespace lz {

// The most characters of an explanation that the readers keep: the word itself, and the word's letters
// when the word itself is not in the table.
constexpr std::size_t kExplanationUnits = 40960;
constexpr std::size_t kFallbackExplanationUnits = 512;

// The explanation of the record at a file offset as UTF-16, at most `limit` units (a surrogate pair is
// never cut in half). Its length is the order value minus the key length; a negative one is empty, bytes
// past the view are never read, and bytes that start no well-formed UTF-8 sequence read as U+FFFD. False
// when the record's flags and key length lie outside the view.
bool ReadDictionaryExplanation(ByteView view, std::uint32_t offset, std::size_t limit, std::u16string& out);

// The explanation of the first record (lowest address) whose key is the word; false when no record has it.
bool FindDictionaryExplanation(const MappedFile* table, const char16_t* word, std::size_t limit, std::u16string& out);

}  // namespace lz
