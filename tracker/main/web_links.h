#pragma once
// The web addresses the main window opens in the user's browser: the search box's query at the search
// provider, and the fixed pages of its menu commands. The hosts are ours to choose and stand here
// together; the paths and the partner identifier are the program's own.
#include <optional>
#include <string>
#include <string_view>

namespace tracker {

inline constexpr char16_t kSearchHost[] = u"https://www.sogou.com";
inline constexpr char16_t kGreenwichHost[] = u"https://greenwichmeantime.com";
inline constexpr char16_t kWorldTimeHost[] = u"https://www.worldtimeserver.com";
inline constexpr char16_t kWeatherHost[] = u"https://www.weather.com";
inline constexpr char16_t kNavigationHost[] = u"https://www.hao123.com";
inline constexpr char16_t kHomePageHost[] = u"https://www.brevia-soft.com";

inline constexpr char16_t kSearchPath[] = u"/sogou?p=58203716&query=";
inline constexpr char16_t kPartnerIdentifier[] = u"7d2c95e0a1f3b846";

// The query as UTF-8 with every byte outside the unreserved set (letters, digits, "-", "_", ".", "~")
// written as "%" and two upper-case hexadecimal digits, so blanks and "&" stay inside the one value.
std::u16string PercentEncodeQuery(std::u16string_view query);

// The search provider's address for a query typed into the search box.
std::u16string SearchAddress(std::u16string_view query);

enum class WebPage { kGreenwichTime, kMainCityTime, kWeather, kNavigation, kHomePage };
std::u16string PageAddress(WebPage page);

// The page a main-window command opens ("Search" opens the navigation page), if it opens one.
std::optional<WebPage> PageOfCommand(int command);

// The command a key of the main window's toolbar runs; 0 for a key it does not have.
int CommandOfToolbarKey(std::u16string_view key);

}  // namespace tracker
