#include "config/web/web_pages.h"

#include <algorithm>

#include "textservice/engine/text_encoding.h"

namespace lz::config {

std::u16string ViewerAddress(std::u16string_view address) {
  if (address.find(u"mk:@MSITStore") != std::u16string_view::npos) return std::u16string(address);
  std::u16string text(address.substr(0, kMaxUrlChars));
  char16_t encoded[kUrlBufferChars] = {};
  UrlEncodeUtf8(encoded, text.c_str());
  return encoded;
}

ViewerPlacement PlaceViewer(int width, int height, int screen_width, int screen_height) {
  ViewerPlacement place;
  if (width < 1 || height < 1) return place;
  place.resize = true;
  place.width = std::min(width, screen_width);
  place.height = std::min(height, screen_height);
  place.x = (screen_width - place.width) / 2;
  place.y = (screen_height - place.height) / 2;
  return place;
}

}  // namespace lz::config
