#include "installer/file_names.h"

namespace lz::installer {
namespace {

constexpr std::size_t kMaxFontValueUnits = 63;

// Where the extension's dot stands, or npos when the last level has none.
std::size_t ExtensionDot(std::u16string_view path) {
  const std::size_t dot = path.rfind(u'.');
  const std::size_t separator = path.find_last_of(u"\\/");
  if (dot == std::u16string_view::npos || (separator != std::u16string_view::npos && dot < separator)) {
    return std::u16string_view::npos;
  }
  return dot;
}

bool EndsWith(std::u16string_view text, std::u16string_view tail) {
  return text.size() > tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

std::u16string LibraryPath(std::u16string_view folder, std::u16string_view ime_name) {
  std::u16string result(folder);
  if (result.empty() || result.back() != u'\\') result += u'\\';
  result += ime_name;
  result += u".dll";
  return result;
}

std::u16string SideCopyName(std::u16string_view path, int n) {
  const std::size_t dot = ExtensionDot(path);
  const std::u16string stem(path.substr(0, dot == std::u16string_view::npos ? path.size() : dot));
  const std::u16string extension(dot == std::u16string_view::npos ? u"" : path.substr(dot));
  std::u16string number;
  for (char c : std::to_string(n)) number += static_cast<char16_t>(c);
  return stem + u".new" + number + extension;
}

std::u16string LowerCaseName(std::u16string_view file_name) {
  std::u16string lower(file_name);
  for (char16_t& c : lower) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return lower;
}

std::u16string FontValueName(std::u16string_view file_name) {
  const std::u16string lower = LowerCaseName(file_name);
  std::u16string value;
  if (EndsWith(lower, u".ttf")) {
    value = lower.substr(0, lower.size() - 4) + u"(TrueType)";
  } else if (EndsWith(lower, u".ttc")) {
    value = lower + u"(TrueType-C)";
  } else {
    return {};
  }
  if (value.size() > kMaxFontValueUnits) value.resize(kMaxFontValueUnits);
  return value;
}

std::u16string VersionFolderOfImeName(std::u16string_view ime_name) {
  const std::size_t dot = ime_name.find(u'.');
  if (dot == std::u16string_view::npos) return {};
  return std::u16string(ime_name.substr(dot + 1));
}

}  // namespace lz::installer
