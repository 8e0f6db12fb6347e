#include "textservice/engine/punctuation.h"

#include <cstring>

#include "platform/os/broker.h"
#include "platform/os/key_sender.h"
#include "textservice/engine/ime_block.h"

namespace lz {

namespace {

constexpr char16_t kOpenTitles[] = u"《〈";
constexpr char16_t kCloseTitles[] = u"〉》";
constexpr char16_t kOuterOpen = u'《';
constexpr char16_t kInnerOpen = u'〈';
constexpr char16_t kOuterClose = u'》';
constexpr char16_t kInnerClose = u'〉';
constexpr char16_t kKeypadShift = 0x20;  // keypad key characters 0x0A..0x19 sit 32 below their ASCII
constexpr char16_t kFirstAscii = 0x80;
constexpr char16_t kFullWidthOffset = 0xFEE0;
constexpr char16_t kIdeographicSpace = 0x3000;

constexpr std::uint8_t kVkShift = 0x10;
constexpr std::uint8_t kVkLeft = 0x25;
constexpr std::uint8_t kScanShift = 0x2A;
constexpr std::uint8_t kScanLeft = 0x4B;

// How many book titles are open: one count for all instances of the process, as a title opened in one
// document and closed in another still pairs.
int g_open_titles = 0;

struct Output {
  char16_t* out;
  int capacity;
  int length = 0;
  void Put(char16_t c) {
    if (length + 1 < capacity) out[length++] = c;
  }
  void Put(const char16_t* s) {
    for (; *s; ++s) Put(*s);
  }
};

// An entry's text of at most `units` units from `offset` in the entry, terminated.
void EntryText(ByteView ime, std::uint32_t entry, std::uint32_t offset, std::uint32_t units, char16_t* text) {
  std::uint32_t n = 0;
  for (; n < units; ++n) {
    std::uint16_t unit = 0;
    if (!ime.ReadU16(entry + offset + 2 * n, unit) || unit == 0) break;
    text[n] = static_cast<char16_t>(unit);
  }
  text[n] = 0;
}

bool SameText(const char16_t* a, const char16_t* b) {
  for (; *a && *a == *b; ++a, ++b) {
  }
  return *a == *b;
}

void TapLeft(bool shift_held) {
  const os::KeyActionScope action;
  if (shift_held) os::SendKeyEvent(kVkShift, kScanShift, os::kKeyEventUp);
  os::SendKeyEvent(kVkLeft, kScanLeft, os::kKeyEventExtended);
  os::SendKeyEvent(kVkLeft, kScanLeft, os::kKeyEventExtended | os::kKeyEventUp);
}

}  // namespace

int TranslatePunctuation(char16_t* out, int capacity, ByteView ime, std::uint8_t (&pairs)[kPunctuationSlots],
                         const char16_t* keys, bool shift_held) {
  if (!out || capacity <= 0) return 0;
  out[0] = 0;
  if (!keys || !keys[0]) return 0;
  Output o{out, capacity};
  for (const char16_t* p = keys; *p; ++p) {
    const char16_t k = *p;
    if (k >= kFirstAscii) {
      o.Put(k);
      continue;
    }
    const std::uint32_t entry = ime_block::PunctuationOffset(k);
    std::uint16_t entry_kind = 0;
    ime.ReadU16(entry + ime_block::kPunctuationKind, entry_kind);
    char16_t text[ime_block::kPunctuationSingleUnits + 1];
    switch (entry_kind) {
      case ime_block::kPunctuationSingle:
      case ime_block::kPunctuationSmart:
        EntryText(ime, entry, ime_block::kPunctuationText, ime_block::kPunctuationSingleUnits, text);
        if (SameText(text, kOpenTitles)) {
          o.Put(g_open_titles <= 0 ? kOuterOpen : kInnerOpen);
          ++g_open_titles;
        } else if (SameText(text, kCloseTitles)) {
          if (g_open_titles >= 2) {
            o.Put(kInnerClose);
            --g_open_titles;
          } else {
            o.Put(kOuterClose);
            g_open_titles = 0;
          }
        } else {
          o.Put(text);
        }
        break;
      case ime_block::kPunctuationPair:
        EntryText(ime, entry, pairs[k] ? ime_block::kPunctuationSecondText : ime_block::kPunctuationText,
                  ime_block::kPunctuationPairUnits, text);
        o.Put(text);
        pairs[k] = pairs[k] ? 0 : 1;
        break;
      case ime_block::kPunctuationCursorLeft:
        EntryText(ime, entry, ime_block::kPunctuationText, ime_block::kPunctuationSingleUnits, text);
        o.Put(text);
        TapLeft(shift_held);
        break;
      default:
        o.Put(k < kKeypadShift ? static_cast<char16_t>(k + kKeypadShift) : k);
    }
  }
  out[o.length] = 0;
  return o.length;
}

void ResetPunctuationPairs(std::uint8_t (&pairs)[kPunctuationSlots]) {
  std::memset(pairs, 0, sizeof pairs);
  g_open_titles = 0;
}

void ToFullWidth(char16_t* text) {
  for (char16_t* p = text; p && *p; ++p) {
    if (*p == u' ') *p = kIdeographicSpace;
    else if (*p > u' ' && *p < 0x7F) *p = static_cast<char16_t>(*p + kFullWidthOffset);
  }
}

}  // namespace lz
