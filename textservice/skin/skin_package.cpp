#include "textservice/skin/skin_package.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "platform/os/folder_list.h"

namespace lz {
namespace {

constexpr std::string_view kSkinIniMember = "skin.ini";
constexpr std::u16string_view kColExtension = u".col";
constexpr std::u16string_view kIccExtension = u".icc";

// Base names of the button groups in slot order, after the five backgrounds. Extension button k takes
// "externk.png" as its base image: each group is filled from its own member, so a skin's seventh and
// eighth buttons show their own pictures.
constexpr const char* kGroupBases[] = {
    "flag",    "en",      "cn",      "capslock", "en_biaodian", "cn_biaodian", "quan",    "ban",     "key2",
    "key1",    "menu",    "up",      "down",     "extern1",     "extern2",     "extern3", "extern4", "extern5",
    "extern6", "extern7", "extern8", "extern9",  nullptr,       "jian",        "fan",
};
static_assert(kRequiredSkinImages + kSkinStates * std::size(kGroupBases) == kSkinImageSlots);

struct MemberNames {
  std::array<std::string, kSkinImageSlots> names;
  MemberNames() {
    names[kBarImage] = "bar.png";
    names[kCandHBImage] = "candHB.png";
    names[kCandHBVerticalImage] = "candHB_shu.png";
    names[kCandQRImage] = "candQR.png";
    names[kCandQRVerticalImage] = "candQR_shu.png";
    for (std::size_t group = 0; group < std::size(kGroupBases); ++group) {
      if (!kGroupBases[group]) continue;
      const std::string base = kGroupBases[group];
      const std::size_t first = kRequiredSkinImages + kSkinStates * group;
      names[first] = base + ".png";
      for (int state = 1; state < kSkinStates; ++state) {
        names[first + static_cast<std::size_t>(state)] = base + "_" + std::to_string(state) + ".png";
      }
    }
    // The package format names the fourth soft-keyboard-on picture this way.
    names[kSoftKeyboardOnImages + 3] = "key3_3.png";
  }
};

const MemberNames& Members() {
  static const MemberNames members;
  return members;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char16_t AsciiLower16(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char16_t x, char16_t y) { return AsciiLower16(x) == AsciiLower16(y); });
}

bool LessIgnoringAsciiCase(const std::u16string& a, const std::u16string& b) {
  const auto lower = [](char16_t x, char16_t y) { return AsciiLower16(x) < AsciiLower16(y); };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), lower)) return true;
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), lower)) return false;
  return a < b;  // names that differ only in case still come in a fixed order
}

int SlotOfMember(std::string_view name) {
  const auto& names = Members().names;
  for (int slot = 0; slot < kSkinImageSlots; ++slot) {
    const std::string& member = names[static_cast<std::size_t>(slot)];
    if (!member.empty() && EqualsIgnoringAsciiCase(name, member)) return slot;
  }
  return -1;
}

bool IsSeparator(char16_t c) {
#ifdef _WIN32
  return c == u'\\' || c == u'/';
#else
  return c == os::kPathSeparator;
#endif
}

std::u16string WithSeparator(std::u16string folder) {
  if (!folder.empty() && !IsSeparator(folder.back())) folder += os::kPathSeparator;
  return folder;
}

std::u16string SkinFolder(const SkinSources& sources) {
  return WithSeparator(sources.install_folder) + std::u16string(kSkinFolderName) + os::kPathSeparator;
}

void ClearSkin(LoadedSkin& skin) {
  DestroySkinImages(skin.images);
  std::memset(&skin.description, 0, sizeof skin.description);
  skin.chosen_for.clear();
}

bool HasSkinExtension(std::u16string_view name) {
  if (name.size() < kColExtension.size()) return false;
  const std::u16string_view tail = name.substr(name.size() - kColExtension.size());
  return tail == kColExtension || tail == kIccExtension;
}

}  // namespace

ZipReadLimits SkinZipLimits() {
  ZipReadLimits limits;
  limits.max_total_bytes = kMaxSkinIniBytes + kMaxSkinPixelBytes;
  limits.member_cap = [](std::string_view name) -> std::uint64_t {
    if (EqualsIgnoringAsciiCase(name, kSkinIniMember)) return kMaxSkinIniBytes;
    return SlotOfMember(name) >= 0 ? kMaxSkinPixelBytes : 0;
  };
  return limits;
}

const char* SkinImageMemberName(int slot) {
  if (slot < 0 || slot >= kSkinImageSlots) return nullptr;
  const std::string& name = Members().names[static_cast<std::size_t>(slot)];
  return name.empty() ? nullptr : name.c_str();
}

void DestroySkinImages(SkinImageSet& images) {
  for (auto& image : images.images) image.reset();
}

int LoadSkinImages(std::unique_ptr<ZipEntryTable> table, SkinImageSet* images, SkinDescription* description) {
  SkinImageSet local;
  SkinImageSet& set = images ? *images : local;
  DestroySkinImages(set);
  if (description) std::memset(description, 0, sizeof *description);
  if (!table) return 0;

  auto parsed = std::make_unique<SkinDescription>();
  int ini_result = kSkinIniNoText;
  // Counted as the headers declare them, before anything is decoded: a skin past the cap is refused
  // without decoding a single image, and an image that would not decode still asked for its size.
  std::uint64_t pixel_bytes = 0;
  for (const ZipEntry& entry : table->entries) {
    if (SlotOfMember(entry.name) < 0) continue;
    pixel_bytes += std::min(PngPixelBytes(entry.data.data(), entry.data.size()), kMaxSkinPixelBytes + 1);
    if (pixel_bytes > kMaxSkinPixelBytes) return 0;
  }
  for (const ZipEntry& entry : table->entries) {
    const std::string_view name(entry.name);
    if (EqualsIgnoringAsciiCase(name, kSkinIniMember)) {
      ini_result = ParseSkinIni(entry.data.data(), entry.data.size(), *parsed);
      continue;
    }
    const int slot = SlotOfMember(name);
    if (slot < 0) continue;
    PngMemorySource source{entry.data.data(), entry.size(), 0};
    set.images[static_cast<std::size_t>(slot)] = LoadPngFromMemory(source);
  }
  table.reset();

  bool complete = ini_result == kSkinIniParsed && parsed->info.name[0] != u'\0';
  for (int slot = 0; slot < kRequiredSkinImages; ++slot) complete = complete && set[slot] != nullptr;
  if (!complete) {
    DestroySkinImages(set);
    return 0;
  }
  if (description) *description = *parsed;
  return 1;
}

int LoadSkinFromPath(const char16_t* path, SkinImageSet& images, SkinDescription& description) {
  try {
    if (!LoadSkinImages(path ? ReadZipEntries(path, SkinZipLimits()) : nullptr, &images, &description)) return 0;
    CopySkinText(description.source, kSkinSourceChars, path);
    return 1;
  } catch (const std::bad_alloc&) {
    DestroySkinImages(images);
    return 0;
  }
}

int LoadSkinFromResource(SkinImageSet& images, SkinDescription& description, const std::uint8_t* data,
                         std::uint64_t size) {
  try {
    if (!LoadSkinImages(ReadZipEntriesFromMemory(size, data, SkinZipLimits()), &images, &description)) return 0;
    CopySkinText(description.source, kSkinSourceChars, kSkinSourceResource);
    return 1;
  } catch (const std::bad_alloc&) {
    DestroySkinImages(images);
    return 0;
  }
}

int ListSkinFiles(SkinFileList& list) {
  list.names.clear();
  std::vector<os::FolderEntry> entries;
  if (!os::ListFolder(list.folder.c_str(), entries)) return 0;
  for (const os::FolderEntry& entry : entries) {
    if (entry.is_folder || !HasSkinExtension(entry.name) || entry.name.size() > kMaxSkinFileNameChars) continue;
    list.names.push_back(entry.name);
  }
  std::sort(list.names.begin(), list.names.end(), LessIgnoringAsciiCase);
  if (list.names.size() > static_cast<std::size_t>(kMaxListedSkins)) list.names.resize(kMaxListedSkins);
  return static_cast<int>(list.names.size());
}

int LoadSkinFolder(const std::u16string& folder, SkinCatalog& catalog) {
  catalog.skins.clear();
  try {
    SkinFileList list{folder, {}};
    ListSkinFiles(list);
    const std::u16string prefix = WithSeparator(folder);
    for (const std::u16string& name : list.names) {
      if (catalog.skins.size() >= static_cast<std::size_t>(kMaxListedSkins)) break;
      LoadedSkin skin;
      if (!LoadSkinFromPath((prefix + name).c_str(), skin.images, skin.description)) continue;
      skin.chosen_for = name;
      catalog.skins.push_back(std::move(skin));
    }
  } catch (const std::bad_alloc&) {
    // Whatever loaded before memory ran out stays listed.
  }
  return static_cast<int>(catalog.skins.size());
}

int LoadSkinCatalog(SkinCatalog& catalog, const SkinSources& sources) {
  catalog.skins.clear();
  try {
    if (LoadSkinFolder(SkinFolder(sources), catalog) > 0) return static_cast<int>(catalog.skins.size());
    LoadedSkin builtin;
    if (LoadSkinFromResource(builtin.images, builtin.description, sources.builtin.data(), sources.builtin.size())) {
      catalog.skins.push_back(std::move(builtin));
    }
  } catch (const std::bad_alloc&) {
  }
  return static_cast<int>(catalog.skins.size());
}

int LoadSkin(const SkinSources& sources, SkinNames& names, LoadedSkin& skin) {
  ClearSkin(skin);
  try {
    const std::u16string skin_folder = SkinFolder(sources);
    std::u16string path;
    if (!names.configured.empty()) path = skin_folder + names.configured;
    if (names.configured.empty() || os::RegularFileSize(path.c_str()) < 0) {
      path.clear();
      SkinFileList list{skin_folder, {}};
      if (ListSkinFiles(list) > 0) {
        std::size_t chosen = 0;
        if (names.configured == kSwitchSkinName) {
          const auto last = std::find_if(list.names.begin(), list.names.end(), [&](const std::u16string& name) {
            return EqualsIgnoringAsciiCase(name, names.last_loaded);
          });
          if (last != list.names.end() && last + 1 != list.names.end()) {
            chosen = static_cast<std::size_t>(last - list.names.begin()) + 1;
          }
        }
        path = skin_folder + list.names[chosen];
      }
    }
    if (!path.empty() && LoadSkinFromPath(path.c_str(), skin.images, skin.description)) {
      const std::u16string name(SkinFileName(path).substr(0, kSkinNameChars));
      names.configured = names.last_loaded = skin.chosen_for = name;
      return 1;
    }
    if (names.configured == kInstallFolderSkinName) {
      const std::u16string in_install_folder =
          WithSeparator(sources.install_folder) + std::u16string(kInstallFolderSkinName);
      if (LoadSkinFromPath(in_install_folder.c_str(), skin.images, skin.description)) {
        names.configured = names.last_loaded = skin.chosen_for = std::u16string(kInstallFolderSkinName);
        return 1;
      }
    }
    if (LoadSkinFromResource(skin.images, skin.description, sources.builtin.data(), sources.builtin.size())) {
      // The names stay as configured, so the skin is tried again once the configured name changes.
      skin.chosen_for = names.configured;
      return 1;
    }
  } catch (const std::bad_alloc&) {
  }
  ClearSkin(skin);
  return 0;
}

int ReloadSkinIfChanged(const SkinSources& sources, SkinNames& names, LoadedSkin& skin) {
  if (EqualsIgnoringAsciiCase(names.configured, skin.chosen_for)) return 0;
  LoadSkin(sources, names, skin);
  return 1;
}

SkinFonts SelectSkinFonts(bool use_settings_fonts, const SkinFonts& settings_fonts, const SkinDescription& skin) {
  if (use_settings_fonts) return settings_fonts;
  return SkinFonts{skin.text.code_font, skin.text.candidate_font};
}

std::u16string_view SkinFileName(std::u16string_view path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (IsSeparator(path[i - 1])) return path.substr(i);
  }
  return path;
}

}  // namespace lz
