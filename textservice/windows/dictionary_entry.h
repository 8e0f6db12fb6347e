#pragma once
// What the dictionary window beside the candidate window shows and where it goes: the word taken from a
// candidate, its entry in dict.dms and the brief part of it, the window's place beside the candidate
// window, and the command line of the link that opens the full entry in the configuration program.
// Plain functions; the window only paints and forwards.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/os/work_area.h"
#include "textservice/engine/mapped_file.h"
#include "textservice/windows/candidate_layout.h"
#include "textservice/windows/candidate_placement.h"

namespace lz {

// The most characters of a looked-up word.
constexpr std::size_t kDictionaryWordUnits = 128;
// The most characters of the word that the link hands to the configuration program: its hand-over
// between two of its runs keeps 127.
constexpr std::size_t kLinkWordUnits = 127;
// The word looked up when a candidate holds no letters or characters at all (the input method's name).
inline constexpr char16_t kDictionaryDefaultWord[] = u"蓝卓输入法";

// The word of a candidate: its output text unless that is empty or a typed command (run(, help(, set(,
// conv, skbd, config( at its start, keyboard( or newkey( anywhere), else its display text; at most 128
// characters.
std::u16string ChooseDictionaryWord(std::u16string_view output, std::u16string_view display);

// The word's letters A-Z and a-z and its characters from U+00FF up; the default word when none remain.
std::u16string DictionaryLetters(std::u16string_view word);

// The brief part of an entry: before its first "\r\n \r\n", else before its first "\r\n -\r\n", else all.
std::u16string_view DictionaryBrief(std::u16string_view entry);

struct DictionaryEntry {
  bool found = false;
  std::u16string word;  // the word shown and handed to the link
  std::u16string text;  // the whole entry, when found
};

// Looks the candidate's word up, then its letters (keeping at most 512 characters of that entry).
DictionaryEntry LookUpDictionaryEntry(const MappedFile* dictionary, std::u16string_view output,
                                      std::u16string_view display);

struct DictionaryPlacementInput {
  CandidateStyle style = CandidateStyle::kHorizontal;
  WindowBox candidate;       // the candidate window, screen coordinates
  std::int32_t region_x = 0;  // the hovered candidate's region inside the candidate window
  std::int32_t region_y = 0;
  std::int32_t width = 0;  // the dictionary window's size
  std::int32_t height = 0;
  os::Rect work;  // the work area at the candidate window
};

struct DictionaryPlace {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const DictionaryPlace&) const = default;
};

// Horizontal and left-vertical styles: under the candidate (above it when the candidate window's bottom
// is not above half of the work area's bottom). Vertical style: right of the candidate (left of it when
// the window's right edge is not left of four fifths of the work area's right).
DictionaryPlace PlaceDictionaryWindow(const DictionaryPlacementInput& in);

// The link's parameters for the configuration program: "/n {class id} /dict '{word}'". The word loses
// its ' and " (which would end the quoted word and let the rest pass for further options) and is cut to
// 127 characters.
std::u16string DictionaryLinkParameters(std::u16string_view class_id, std::u16string_view word);

}  // namespace lz
