#include "tracker/main/web_links.h"

#include <cstdint>

#include "tracker/main/command_ids.h"

namespace tracker {
namespace {

bool Unreserved(std::uint8_t b) {
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' || b == '_' ||
         b == '.' || b == '~';
}

void Append(std::u16string& out, std::uint8_t b) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  if (Unreserved(b)) {
    out += static_cast<char16_t>(b);
    return;
  }
  out += u'%';
  out += kHex[b >> 4];
  out += kHex[b & 0x0F];
}

}  // namespace

std::u16string PercentEncodeQuery(std::u16string_view query) {
  std::u16string out;
  for (std::size_t i = 0; i < query.size(); ++i) {
    std::uint32_t cp = query[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < query.size() && query[i + 1] >= 0xDC00 && query[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (query[i + 1] - 0xDC00u);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;  // half a pair has no UTF-8 form
    }
    if (cp < 0x80) {
      Append(out, static_cast<std::uint8_t>(cp));
    } else if (cp < 0x800) {
      Append(out, static_cast<std::uint8_t>(0xC0 | (cp >> 6)));
      Append(out, static_cast<std::uint8_t>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      Append(out, static_cast<std::uint8_t>(0xE0 | (cp >> 12)));
      Append(out, static_cast<std::uint8_t>(0x80 | ((cp >> 6) & 0x3F)));
      Append(out, static_cast<std::uint8_t>(0x80 | (cp & 0x3F)));
    } else {
      Append(out, static_cast<std::uint8_t>(0xF0 | (cp >> 18)));
      Append(out, static_cast<std::uint8_t>(0x80 | ((cp >> 12) & 0x3F)));
      Append(out, static_cast<std::uint8_t>(0x80 | ((cp >> 6) & 0x3F)));
      Append(out, static_cast<std::uint8_t>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::u16string SearchAddress(std::u16string_view query) {
  return std::u16string(kSearchHost) + kSearchPath + PercentEncodeQuery(query) + u"&pid=sogou-netb-" +
         kPartnerIdentifier + u"-3650";
}

std::u16string PageAddress(WebPage page) {
  switch (page) {
    case WebPage::kGreenwichTime:
      return std::u16string(kGreenwichHost) + u"/";
    case WebPage::kMainCityTime:
      return std::u16string(kWorldTimeHost) + u"/worldtime.html";
    case WebPage::kWeather:
      return std::u16string(kWeatherHost) + u"/common/welcomepage/world.html?from=globalnav";
    case WebPage::kNavigation:
      return std::u16string(kNavigationHost) + u"/?kbrevia";
    case WebPage::kHomePage:
      return std::u16string(kHomePageHost) + u"/brevia/index.html";
  }
  return {};
}

std::optional<WebPage> PageOfCommand(int command) {
  switch (command) {
    case kCmdGreenwichTime:
      return WebPage::kGreenwichTime;
    case kCmdMainCityTime:
    case kCmdPopupMainCityTime:
      return WebPage::kMainCityTime;
    case kCmdWeatherForecast:
    case kCmdPopupWeather:
      return WebPage::kWeather;
    case kCmdNavigation:
    case kCmdSearch:
      return WebPage::kNavigation;
    case kCmdHomePage:
      return WebPage::kHomePage;
    default:
      return std::nullopt;
  }
}

int CommandOfToolbarKey(std::u16string_view key) {
  struct Route {
    const char16_t* key;
    int command;
  } const routes[] = {{u"settime", kCmdSetReminder}, {u"start", kCmdStart},          {u"pause", kCmdPause},
                      {u"stop", kCmdStop},            {u"Baidu", kCmdNavigation},    {u"recordtable", kCmdShowRecordTable},
                      {u"save", kCmdSaveToRecordTable}, {u"memo", kCmdMemo},         {u"delete", kCmdClearLatest},
                      {u"options", kCmdOptions},      {u"website", kCmdHomePage},    {u"help", kCmdDocumentation},
                      {u"Shutdown", kCmdShutdown},    {u"exit", kCmdQuit}};
  for (const auto& route : routes) {
    if (key == route.key) return route.command;
  }
  return 0;
}

}  // namespace tracker
