#include "installer/removal_rules.h"

namespace lz::installer {
namespace {

constexpr std::size_t kMaxPlainNameUnits = 63;
constexpr std::u16string_view kVersionFolderPrefix = u"361.";
constexpr std::u16string_view kDataRootName = u"lanzoime4";

// Separators unified, ASCII letters lower-cased, trailing separators dropped: Windows compares folder
// names without regard to case.
std::u16string Normalise(std::u16string_view path) {
  std::u16string result;
  for (char16_t c : path) {
    if (c == u'/') c = u'\\';
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    result += c;
  }
  while (!result.empty() && result.back() == u'\\') result.pop_back();
  return result;
}

std::vector<std::u16string_view> Levels(std::u16string_view path) {
  std::vector<std::u16string_view> levels;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = path.find(u'\\', start);
    const std::size_t stop = end == std::u16string_view::npos ? path.size() : end;
    levels.push_back(path.substr(start, stop - start));
    if (end == std::u16string_view::npos) break;
    start = end + 1;
  }
  return levels;
}

// How many leading levels form the root ("c:" is one; "", "", "server", "share" of a share are four);
// 0 when the path is not a full path.
std::size_t RootLevels(std::u16string_view normal) {
  if (normal.size() >= 2 && normal[1] == u':' && normal[0] >= u'a' && normal[0] <= u'z') {
    return (normal.size() == 2 || normal[2] == u'\\') ? 1 : 0;
  }
  if (normal.substr(0, 2) == u"\\\\") {
    const std::vector<std::u16string_view> levels = Levels(normal);
    if (levels.size() >= 4 && !levels[2].empty() && !levels[3].empty()) return 4;
  }
  return 0;
}

// True when a equals b or lies above it.
bool IsAtOrAbove(std::u16string_view a, std::u16string_view b) {
  if (a.empty()) return false;
  if (a == b) return true;
  return b.size() > a.size() && b.substr(0, a.size()) == a && b[a.size()] == u'\\';
}

bool IsVersionFolderName(std::u16string_view name) {
  if (name.size() <= kVersionFolderPrefix.size() || name.substr(0, kVersionFolderPrefix.size()) != kVersionFolderPrefix) {
    return false;
  }
  for (char16_t c : name.substr(kVersionFolderPrefix.size())) {
    if (c < u'0' || c > u'9') return false;
  }
  return true;
}

}  // namespace

bool MayRemoveFolder(std::u16string_view path, RemovalRoot kind, const ProtectedFolders& protect) {
  const std::u16string normal = Normalise(path);
  const std::size_t root = RootLevels(normal);
  if (root == 0) return false;
  const std::vector<std::u16string_view> levels = Levels(normal);
  if (levels.size() <= root) return false;
  for (std::size_t i = root; i < levels.size(); ++i) {
    if (levels[i].empty() || levels[i] == u"." || levels[i] == u"..") return false;
  }
  for (const std::u16string& folder : protect.folders) {
    if (IsAtOrAbove(normal, Normalise(folder))) return false;
  }
  if (kind == RemovalRoot::kInstallFolder) return IsVersionFolderName(levels.back());
  if (kind == RemovalRoot::kInstallParent) return true;
  const std::u16string base = Normalise(protect.common_app_data);
  if (RootLevels(base) == 0) return false;
  const std::u16string data_root = base + u"\\" + std::u16string(kDataRootName);
  return IsAtOrAbove(data_root, normal);
}

bool IsPlainFileName(std::u16string_view name) {
  if (name.empty() || name.size() > kMaxPlainNameUnits || name == u"." || name == u"..") return false;
  for (char16_t c : name) {
    if (c < 0x20 || c == u'\\' || c == u'/' || c == u':' || c == u'*' || c == u'?' || c == u'"' || c == u'<' ||
        c == u'>' || c == u'|') {
      return false;
    }
  }
  // Windows drops trailing dots and blanks, so "name." would reach another file than the one checked.
  return name.back() != u'.' && name.back() != u' ';
}

}  // namespace lz::installer
