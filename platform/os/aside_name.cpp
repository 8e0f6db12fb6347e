#include <string>

#include "platform/os/folder_tree.h"

namespace os {

std::u16string AsideName(std::u16string_view path, int n) {
  std::u16string number;
  for (char c : std::to_string(n)) number += static_cast<char16_t>(c);
  const std::size_t dot = path.rfind(u'.');
  const std::size_t separator = path.find_last_of(u"\\/");
  if (dot == std::u16string_view::npos || (separator != std::u16string_view::npos && dot < separator)) {
    return std::u16string(path) + number;
  }
  return std::u16string(path.substr(0, dot)) + number + std::u16string(path.substr(dot));
}

}  // namespace os
