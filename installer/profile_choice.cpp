#include "installer/profile_choice.h"

namespace lz::installer {
namespace {

bool HalvesEqual(std::uint64_t layout) {
  return (layout & 0xFFFF) == ((layout >> 16) & 0xFFFF);
}

int CurrentDefault(const std::vector<ProfileItem>& items, std::uint64_t default_layout,
                   const std::vector<LanguageDefault>& language_defaults) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!items[i].is_text_service && items[i].layout == default_layout) {
      if (!HalvesEqual(default_layout)) return static_cast<int>(i);
      break;
    }
  }
  if (!HalvesEqual(default_layout)) return -1;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!items[i].is_text_service) continue;
    for (const LanguageDefault& d : language_defaults) {
      if (d.language == items[i].language && d.clsid == items[i].clsid && d.profile == items[i].profile) {
        return static_cast<int>(i);
      }
    }
  }
  return -1;
}

}  // namespace

int ChooseNewDefaultProfile(const std::vector<ProfileItem>& items, std::uint64_t default_layout,
                            const std::vector<LanguageDefault>& language_defaults, const Guid& ours) {
  const int current = CurrentDefault(items, default_layout, language_defaults);
  if (current < 0 || !items[current].is_text_service || items[current].clsid != ours) return -1;
  const std::uint16_t first_language = items.front().language;
  int first_layout = -1;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].language != first_language) continue;
    if (items[i].is_text_service && items[i].clsid != ours) return static_cast<int>(i);
    if (!items[i].is_text_service && first_layout < 0) first_layout = static_cast<int>(i);
  }
  return first_layout;
}

}  // namespace lz::installer
