#pragma once
// Conversions between the engine's UTF-16 text and the short UTF-8 strings that the code tables store,
// plus the UTF-32 forms used by word building and the percent-encoding used for web addresses.
//
// A table string is one length byte n (1..250) followed by n bytes of UTF-8, no terminator. In codes
// (never in words) the full-width keys U+FF0A..U+FF19 are stored as the single bytes 0x0A..0x19, and
// every code byte below 0x20 reads back as U+FF00 + byte; the other bytes below 0x20 stay free for
// markers such as the wildcard key byte.
//
// Every function is pure and works on caller buffers: nothing is allocated and no write goes past the
// capacity documented for it. Text arguments are zero-terminated UTF-16 unless a count says otherwise;
// a null text reads as empty. UTF-8 input is never read past the byte count given, nor past a zero byte.
// When output is cut, it is cut between characters: a character that does not fit whole is not written,
// and nothing after it is written either, so a cut text never has a hole or half a surrogate pair.
#include <cstdint>

namespace lz {

// Longest UTF-8 form a table string can hold; a text whose UTF-8 form is longer cannot be stored.
constexpr int kMaxTableStringBytes = 250;
// A length byte plus the longest table string.
constexpr int kTableStringBufferBytes = 1 + kMaxTableStringBytes;
// Source units that WideToUtf8 reads at most.
constexpr int kMaxUtf8SourceUnits = 250;
// UTF-16 units that Utf8ToWide writes at most, and the buffer it needs (those units and a terminator).
constexpr int kMaxDecodedUnits = 250;
constexpr int kDecodedBufferUnits = kMaxDecodedUnits + 1;
// Units of a code that CodeToTableString copies before folding.
constexpr int kMaxCodeCopyUnits = 259;
// UTF-16 units that TableStringToCode writes at most, and the buffer it needs.
constexpr int kMaxCodeUnits = 255;
constexpr int kCodeBufferUnits = kMaxCodeUnits + 1;
// Code points that Utf8ToUtf32 writes at most, and the buffer it needs.
constexpr int kMaxUtf32Points = 32;
constexpr int kUtf32BufferPoints = kMaxUtf32Points + 1;
// UTF-16 units that CountCodePoints looks at.
constexpr int kMaxCountedUnits = 255;
// Characters that UrlEncodeUtf8 writes at most, and the buffer it needs.
constexpr int kMaxUrlChars = 511;
constexpr int kUrlBufferChars = kMaxUrlChars + 1;

// Full-width keys that codes store as single bytes.
constexpr char16_t kFullWidthKeyFirst = 0xFF0A;  // full-width asterisk
constexpr char16_t kFullWidthKeyLast = 0xFF19;   // full-width digit nine
constexpr char16_t kFullWidthBase = 0xFF00;      // code byte b < 0x20 reads back as kFullWidthBase + b
constexpr std::uint8_t kCodeKeyByteLimit = 0x20;
// Highest code point that Utf32ToWide accepts.
constexpr char32_t kMaxUtf32ToWide = 0x10FFFE;

// UTF-8 (ending at byteCount or at a zero byte) -> UTF-16.
// out: null (count only) or at least kDecodedBufferUnits units. Writes at most kMaxDecodedUnits units
// (a surrogate pair only while fewer than 249 are used) and then a terminator after the units written.
// Returns the units the whole input needs (may exceed 250), or -1 at a byte that starts no UTF-8
// sequence, at a sequence cut by byteCount or a zero byte, or at a four-byte sequence above U+10FFFF;
// on -1 the units before the bad byte are written and terminated.
int Utf8ToWide(char16_t* out, const std::uint8_t* utf8, int byteCount);

// UTF-16 (at most kMaxUtf8SourceUnits source units) -> UTF-8.
// out: null (count only) or byteCapacity bytes. A character's bytes are written only when they fit
// whole; a terminating zero follows when there is room. Returns the bytes the text needs without a
// terminator (more than byteCapacity means cut; equal means complete but unterminated), or -1 at a high
// surrogate without its low half or a lone low surrogate.
int WideToUtf8(const char16_t* text, std::uint8_t* out, int byteCapacity);

// As WideToUtf8 with the source-unit limit given: units at index unitLimit and beyond are never read,
// so text need not be terminated when unitLimit is its length. A pair whose low half lies beyond the
// limit ends the text there (not an error).
int WideToUtf8N(int byteCapacity, std::uint8_t* out, const char16_t* text, int unitLimit);

// UTF-16 -> table string. out: null (length only) or capacity bytes, length byte included; a complete
// string needs 1 + length bytes (kTableStringBufferBytes always suffice; a terminator follows the bytes
// when there is room). Returns the length byte value, or 0 when the text is empty, holds a broken
// surrogate pair, needs more than kMaxTableStringBytes bytes, or does not fit in capacity; on 0 the
// length byte (when capacity allows) is set to 0.
int WideToTableString(int capacity, std::uint8_t* out, const char16_t* text);

// A code -> table string: the first kMaxCodeCopyUnits units of text are copied, folded with
// FoldFullWidth and stored with WideToTableString (same buffer rules and result).
int CodeToTableString(std::uint8_t* out, const char16_t* text, int capacity);

// Table string -> zero-terminated UTF-16. out: capacity units, terminator included, so at most
// capacity - 1 (and never more than kMaxDecodedUnits) units are copied. Returns the units copied; a bad
// UTF-8 byte ends the text there.
int TableStringToWide(char16_t* out, int capacity, const std::uint8_t* tableString);

// Table string holding a code -> zero-terminated UTF-16 code, bytes below 0x20 read as U+FF00 + byte.
// out: at least kCodeBufferUnits units; at most kMaxCodeUnits units and a terminator are written.
// Returns the units written; a bad UTF-8 byte ends the code there.
int TableStringToCode(char16_t* out, const std::uint8_t* tableString);

// In place over the zero-terminated text: U+FF0A..U+FF19 -> 0x000A..0x0019.
void FoldFullWidth(char16_t* text);

// Characters in at most byteCount bytes of UTF-8 (a zero byte ends the text).
// Returns the count, or -1 at a bad lead byte or a sequence cut by byteCount or a zero byte.
int Utf8CharCount(int byteCount, const std::uint8_t* utf8);

// UTF-8 (ending at byteCount or a zero byte) -> code points. out: null (count only) or at least
// kUtf32BufferPoints; at most kMaxUtf32Points code points and a terminator are written. Returns the code
// points of the whole input, or -1 under the same conditions as Utf8ToWide.
int Utf8ToUtf32(char32_t* out, const std::uint8_t* utf8, int byteCount);

// First character of text (one unit or a surrogate pair) -> out[0] its code point, out[1] zero.
// out: 2 code points. Returns the units used (1 or 2), or -1 with a zero code point at a zero unit, a
// high surrogate without its low half, or a lone low surrogate.
int WideCharToUtf32(char32_t* out, const char16_t* text);

// At most count characters of text -> code points, zero-terminated. out: count + 1 code points.
// The text ends early at its terminator or at a broken surrogate pair. Returns 0.
int WideToUtf32(char32_t* out, const char16_t* text, int count);

// Characters (a pair counts once) in at most kMaxCountedUnits units of text; a pair whose low half would
// be unit 256 is not counted. Returns the count, or -1 at a broken pair.
int CountCodePoints(const char16_t* text);

// At most count code points (a zero code point ends them) -> UTF-16 with pairs above U+FFFF.
// out: null (count only) or capacity units. A pair is written only when two places are free, a single
// unit when one is; a terminator follows when there is room. Returns the units needed without a
// terminator, or -1 for a code point above kMaxUtf32ToWide (the units before it are written).
int Utf32ToWide(char16_t* out, const char32_t* codePoints, int capacity, int count);

// Percent-encoding for web addresses: characters up to U+00FE are copied unchanged (space and reserved
// ASCII included); every other character becomes its UTF-8 bytes, each as '%' and two upper-case hex
// digits. out: at least kUrlBufferChars; at most kMaxUrlChars characters and a terminator are written.
// A character whose escapes do not all fit, or a broken surrogate pair, ends the output. out may be the
// same buffer as text (encoding in place). Returns the characters written.
int UrlEncodeUtf8(char16_t* out, const char16_t* text);

}  // namespace lz
