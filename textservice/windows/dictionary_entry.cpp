#include "textservice/windows/dictionary_entry.h"

#include "textservice/engine/dictionary_table.h"

namespace lz {
namespace {

constexpr std::int32_t kGap = 5;
constexpr std::int32_t kRegionInset = 10;

bool IsTypedCommand(std::u16string_view text) {
  for (std::u16string_view start : {u"run(", u"help(", u"set(", u"conv", u"skbd", u"config("}) {
    if (text.substr(0, start.size()) == start) return true;
  }
  return text.find(u"keyboard(") != std::u16string_view::npos || text.find(u"newkey(") != std::u16string_view::npos;
}

}  // namespace

std::u16string ChooseDictionaryWord(std::u16string_view output, std::u16string_view display) {
  const std::u16string_view word = !output.empty() && !IsTypedCommand(output) ? output : display;
  return std::u16string(word.substr(0, kDictionaryWordUnits));
}

std::u16string DictionaryLetters(std::u16string_view word) {
  std::u16string kept;
  for (char16_t c : word) {
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c >= 0xFF) kept += c;
  }
  return kept.empty() ? std::u16string(kDictionaryDefaultWord) : kept;
}

std::u16string_view DictionaryBrief(std::u16string_view entry) {
  std::size_t end = entry.find(u"\r\n \r\n");
  if (end == std::u16string_view::npos) end = entry.find(u"\r\n -\r\n");
  return entry.substr(0, end);
}

DictionaryEntry LookUpDictionaryEntry(const MappedFile* dictionary, std::u16string_view output,
                                      std::u16string_view display) {
  DictionaryEntry entry;
  entry.word = ChooseDictionaryWord(output, display);
  entry.found = FindDictionaryExplanation(dictionary, entry.word.c_str(), kExplanationUnits, entry.text);
  if (!entry.found) {
    entry.word = DictionaryLetters(entry.word);
    entry.found = FindDictionaryExplanation(dictionary, entry.word.c_str(), kFallbackExplanationUnits, entry.text);
  }
  return entry;
}

DictionaryPlace PlaceDictionaryWindow(const DictionaryPlacementInput& in) {
  const WindowBox& w = in.candidate;
  DictionaryPlace place;
  if (in.style == CandidateStyle::kVertical) {
    place.y = in.region_y + w.y - kRegionInset;
    const bool room_right = static_cast<std::int64_t>(w.x + w.width) * 5 < static_cast<std::int64_t>(in.work.right) * 4;
    place.x = room_right ? w.x + w.width + kGap : w.x - in.width - kGap;
  } else {
    place.x = in.region_x + w.x - kRegionInset;
    const bool room_below = static_cast<std::int64_t>(w.y + w.height) * 2 < in.work.bottom;
    place.y = room_below ? w.y + w.height + kGap : w.y - in.height - kGap;
  }
  return place;
}

std::u16string DictionaryLinkParameters(std::u16string_view class_id, std::u16string_view word) {
  std::u16string kept;
  for (char16_t c : word) {
    if (c == u'\'' || c == u'"') continue;
    if (kept.size() == kLinkWordUnits) break;
    kept += c;
  }
  return u"/n " + std::u16string(class_id) + u" /dict '" + kept + u"'";
}

}  // namespace lz
