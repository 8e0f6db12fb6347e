#pragma once
// Skin packages: a zip archive (".col", also ".icc") holding "skin.ini" and PNG images. Installed skins
// live in the folder "rezuvorir" below the installation folder; one skin is built into the library as a
// resource. This layer picks the skin to use, loads a package into a description and an image set, and
// loads every installed skin for the skin list.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "textservice/skin/skin_description.h"
#include "textservice/skin/skin_image.h"
#include "textservice/skin/zip_entry_table.h"

namespace lz {

// Image slots. Buttons come in groups of four states: the base name is state 0, "_1", "_2", "_3" give
// states 1 to 3. Member names are compared with the whole zip member name, ASCII case-insensitively.
constexpr int kSkinImageSlots = 105;
constexpr int kSkinStates = 4;
constexpr int kBarImage = 0;             // "bar.png", status-bar background (required)
constexpr int kCandHBImage = 1;          // "candHB.png", merged horizontal (required)
constexpr int kCandHBVerticalImage = 2;  // "candHB_shu.png", merged vertical (required)
constexpr int kCandQRImage = 3;          // "candQR.png", embedded horizontal (required)
constexpr int kCandQRVerticalImage = 4;  // "candQR_shu.png", embedded vertical (required)
constexpr int kRequiredSkinImages = 5;
constexpr int kLogoImages = 5;                 // "flag.png" ..
constexpr int kEnglishModeImages = 9;          // "en.png" ..
constexpr int kChineseModeImages = 13;         // "cn.png" ..
constexpr int kCapsLockImages = 17;            // "capslock.png" ..
constexpr int kEnglishPunctuationImages = 21;  // "en_biaodian.png" ..
constexpr int kChinesePunctuationImages = 25;  // "cn_biaodian.png" ..
constexpr int kFullWidthImages = 29;           // "quan.png" ..
constexpr int kHalfWidthImages = 33;           // "ban.png" ..
constexpr int kSoftKeyboardOnImages = 37;      // "key2.png" .. (state 3 from "key3_3.png")
constexpr int kSoftKeyboardOffImages = 41;     // "key1.png" ..
constexpr int kMenuImages = 45;                // "menu.png" ..
constexpr int kPreviousPageImages = 49;        // "up.png" ..
constexpr int kNextPageImages = 53;            // "down.png" ..
constexpr int kExtensionImages = 57;           // "extern1.png" .. "extern9_3.png", group k at 57 + 4 (k - 1)
constexpr int kUnfilledImages = 93;            // a group no member fills
constexpr int kSimplifiedImages = 97;          // "jian.png" ..
constexpr int kTraditionalImages = 101;        // "fan.png" ..
static_assert(kTraditionalImages + kSkinStates == kSkinImageSlots);

constexpr int ExtensionImageSlot(int button /* 1..9 */, int state) {
  return kExtensionImages + kSkinStates * (button - 1) + state;
}

// The member name that fills a slot, or null for a slot no member fills.
const char* SkinImageMemberName(int slot);

struct SkinImageSet {
  std::array<std::unique_ptr<SkinImage>, kSkinImageSlots> images;
  const SkinImage* operator[](int slot) const { return images[static_cast<std::size_t>(slot)].get(); }
};

// Frees every image of a set.
void DestroySkinImages(SkinImageSet& images);

// A loaded skin: its description and images, and the skin name it was chosen for (the package's file
// name, or for the built-in skin the configured name that led to it) so a change of the configured
// name can be noticed.
struct LoadedSkin {
  SkinDescription description{};
  SkinImageSet images;
  std::u16string chosen_for;
};

// The skin settings' two names: the configured skin (a package file name, "切换" to step to the next
// installed skin, or "skin.col" for the package in the installation folder) and the skin loaded last.
// Both hold at most kSkinNameChars characters.
struct SkinNames {
  std::u16string configured;
  std::u16string last_loaded;
};
constexpr std::size_t kSkinNameChars = 39;

// Where skins come from: the installation folder (a trailing separator is added when missing) and the
// bytes of the built-in skin package (the library's resource; may be empty).
struct SkinSources {
  std::u16string install_folder;
  std::span<const std::uint8_t> builtin;
};

constexpr std::u16string_view kSkinFolderName = u"rezuvorir";
constexpr std::u16string_view kSwitchSkinName = u"切换";
constexpr std::u16string_view kInstallFolderSkinName = u"skin.col";
constexpr int kMaxListedSkins = 64;
constexpr std::size_t kMaxSkinFileNameChars = 31;

// Largest sum of the decoded images of one skin. Every image may use the per-image cap, so a package of
// many large images (a few kilobytes of zip) would otherwise ask for gigabytes.
constexpr std::uint64_t kMaxSkinPixelBytes = std::uint64_t{64} << 20;
// What a skin package may make a host process inflate: skin.ini up to 1 MB, each image member up to the
// images' decoded budget, and nothing of a member the skin does not use.
constexpr std::uint64_t kMaxSkinIniBytes = std::uint64_t{1} << 20;
ZipReadLimits SkinZipLimits();

// Fills images and description from a package's entries (the table is consumed). Returns 1 when the
// skin is complete (skin.ini parsed with a name, and the five backgrounds decoded), else 0 with every
// image freed; a package whose images together declare more than kMaxSkinPixelBytes is refused whole
// before any image is decoded. Either output may be null.
int LoadSkinImages(std::unique_ptr<ZipEntryTable> table, SkinImageSet* images, SkinDescription* description);

// A package file; on success the description's source is the path (cut to 259 characters). Both
// outputs are emptied first. Returns 1 or 0.
int LoadSkinFromPath(const char16_t* path, SkinImageSet& images, SkinDescription& description);

// A package in memory (the built-in skin); on success the source is "fromResource". Returns 1 or 0.
int LoadSkinFromResource(SkinImageSet& images, SkinDescription& description, const std::uint8_t* data,
                         std::uint64_t size);

struct SkinFileList {
  std::u16string folder;
  std::vector<std::u16string> names;
};

// The ".col"/".icc" files (extension case-sensitive, folders excluded) of list.folder, in name order
// (ASCII case-insensitive, as NTFS lists them) so every system picks the same first skin; at most
// kMaxListedSkins. Names longer than kMaxSkinFileNameChars are left out rather than cut: a cut name
// would fail to load or name another file. Returns the count.
int ListSkinFiles(SkinFileList& list);

struct SkinCatalog {
  std::vector<LoadedSkin> skins;  // at most kMaxListedSkins
};

// Loads each listed package of the folder into the next catalog entry; a package that fails takes no
// entry. Returns the count.
int LoadSkinFolder(const std::u16string& folder, SkinCatalog& catalog);

// Every installed skin (the "rezuvorir" folder); when none loads, the built-in skin alone. Returns the
// count.
int LoadSkinCatalog(SkinCatalog& catalog, const SkinSources& sources);

// Chooses and loads the skin: the configured package of the skin folder; when the name is empty or
// names no file, the first listed package (or, for "切换", the one after the last-loaded name);
// then "skin.col" of the installation folder when that is the configured name; the built-in skin last.
// A package that loads becomes both names. Returns 1 when a skin was loaded, 0 when even the built-in
// skin fails (engine creation fails then).
int LoadSkin(const SkinSources& sources, SkinNames& names, LoadedSkin& skin);

// Loads the skin again when the configured name differs (ASCII case-insensitively) from the name the
// current skin was chosen for, the built-in skin included. Returns 1 when it reloaded: the caller then
// resets the saved status-bar position and tells the skinned windows to lay out again.
int ReloadSkinIfChanged(const SkinSources& sources, SkinNames& names, LoadedSkin& skin);

// The code font and the candidate font the windows use: the skin settings' own fonts when they say so,
// else the loaded skin's.
struct SkinFonts {
  SkinFont code;
  SkinFont candidate;
};
SkinFonts SelectSkinFonts(bool use_settings_fonts, const SkinFonts& settings_fonts, const SkinDescription& skin);

// The file name part of a path: after the last separator ('\' or '/' on Windows).
std::u16string_view SkinFileName(std::u16string_view path);

}  // namespace lz
