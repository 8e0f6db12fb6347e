#pragma once
// Choosing the input language profile that becomes the default when the input method that is the
// default now is removed. The system's lists are read by the Windows glue; the choice is made here.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace lz::installer {

using Guid = std::array<std::uint8_t, 16>;

struct ProfileItem {
  bool is_text_service = false;  // a TSF profile; else a keyboard layout
  std::uint16_t language = 0;
  std::uint64_t layout = 0;      // the keyboard layout handle (layout items)
  Guid clsid{};
  Guid category{};
  Guid profile{};
  std::u16string description;
};

// The default profile of a language as the profiles manager reports it.
struct LanguageDefault {
  std::uint16_t language = 0;
  Guid clsid{};
  Guid profile{};
};

// The index of the item to make the default, or -1 when nothing is to change. items are in the order
// the system listed them (layouts first, then the profiles of each language); they are grouped by
// language in order of first appearance. The current default is the item whose layout handle equals
// default_layout; when that handle's two halves are equal, the TSF item that the language defaults name.
// Only when the current default is a profile of `ours` is another chosen: the first TSF item of the first
// language group with another CLSID, else that group's first keyboard layout, so the removed method never
// stays the default when something else is there.
int ChooseNewDefaultProfile(const std::vector<ProfileItem>& items, std::uint64_t default_layout,
                            const std::vector<LanguageDefault>& language_defaults, const Guid& ours);

}  // namespace lz::installer
