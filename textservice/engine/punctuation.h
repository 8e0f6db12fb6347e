#pragma once
// Typed keys that are not code keys become punctuation through the scheme's punctuation table (128
// entries of the ime block, indexed by key character): single texts, book-title marks that nest, pairs
// used alternately, and marks after which the caret steps back inside the pair. Also the full-width form
// of ASCII text.
#include <cstdint>

#include "textservice/engine/byte_view.h"
#include "textservice/engine/engine_instance.h"

namespace lz {

// Writes the output for a string of key characters into out (capacity units, always terminated, cut when
// it does not fit). `pairs` is the instance's alternation state of the pair entries. A cursor-left entry
// releases Shift first when `shift_held`, then taps Left through the key sender. Returns the units
// written, 0 for an empty or missing input.
int TranslatePunctuation(char16_t* out, int capacity, ByteView ime, std::uint8_t (&pairs)[kPunctuationSlots],
                         const char16_t* keys, bool shift_held);

// Every pair starts again with its first text, and no book title is open.
void ResetPunctuationPairs(std::uint8_t (&pairs)[kPunctuationSlots]);

// In place: the printable ASCII characters become their full-width forms, the space the ideographic space.
void ToFullWidth(char16_t* text);

}  // namespace lz
