#include "tracker/main/web_links.h"

#include <gtest/gtest.h>

#include <string>

#include "tracker/main/command_ids.h"

namespace tracker {
namespace {

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

TEST(WebLinks, FixedPages) {
  struct Case {
    int command;
    const char16_t* address;
  } const cases[] = {
      {kCmdGreenwichTime, u"https://greenwichmeantime.com/"},
      {kCmdMainCityTime, u"https://www.worldtimeserver.com/worldtime.html"},
      {kCmdPopupMainCityTime, u"https://www.worldtimeserver.com/worldtime.html"},
      {kCmdWeatherForecast, u"https://www.weather.com/common/welcomepage/world.html?from=globalnav"},
      {kCmdPopupWeather, u"https://www.weather.com/common/welcomepage/world.html?from=globalnav"},
      {kCmdNavigation, u"https://www.hao123.com/?kbrevia"},
      {kCmdSearch, u"https://www.hao123.com/?kbrevia"},
      {CommandOfToolbarKey(u"Baidu"), u"https://www.hao123.com/?kbrevia"},
      {kCmdHomePage, u"https://www.brevia-soft.com/brevia/index.html"},
      {CommandOfToolbarKey(u"website"), u"https://www.brevia-soft.com/brevia/index.html"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    const auto page = PageOfCommand(c.command);
    ASSERT_TRUE(page.has_value());
    EXPECT_EQ(PageAddress(*page), c.address);
  }
  EXPECT_FALSE(PageOfCommand(kCmdQuit).has_value());
}

TEST(WebLinks, SearchAddresses) {
  const std::u16string prefix = u"https://www.sogou.com/sogou?p=58203716&query=";
  const std::u16string suffix = u"&pid=sogou-netb-7d2c95e0a1f3b846-3650";
  struct Case {
    const char16_t* query;
    const char16_t* value;
  } const cases[] = {
      {u"", u""},
      {u"colossal squid", u"colossal%20squid"},
      {u"tom & jerry", u"tom%20%26%20jerry"},
      {u"a=b?c/d#e+f%", u"a%3Db%3Fc%2Fd%23e%2Bf%25"},
      {u"keep-_.~", u"keep-_.~"},
      {u"\u5929\u6c14", u"%E5%A4%A9%E6%B0%94"},
      {u"caf\u00e9", u"caf%C3%A9"},
      {u"\U0001F600", u"%F0%9F%98%80"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.value));
    EXPECT_EQ(SearchAddress(c.query), prefix + c.value + suffix);
  }
}

TEST(WebLinks, ToolbarKeys) {
  struct Case {
    const char16_t* key;
    int command;
  } const cases[] = {{u"settime", kCmdSetReminder}, {u"start", kCmdStart},      {u"pause", kCmdPause},
                     {u"stop", kCmdStop},           {u"Baidu", kCmdNavigation}, {u"recordtable", kCmdShowRecordTable},
                     {u"save", kCmdSaveToRecordTable}, {u"memo", kCmdMemo},     {u"delete", kCmdClearLatest},
                     {u"options", kCmdOptions},     {u"website", kCmdHomePage}, {u"help", kCmdDocumentation},
                     {u"Shutdown", kCmdShutdown},   {u"exit", kCmdQuit},        {u"baidu", 0},
                     {u"", 0}};
  for (const auto& c : cases) EXPECT_EQ(CommandOfToolbarKey(c.key), c.command) << Narrow(c.key);
}

}  // namespace
}  // namespace tracker
