#include "textservice/engine/system_services.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/os/clipboard.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace lz {
namespace {

TEST(SystemServices, Windows8Test) {
  struct Case {
    std::uint32_t major, minor;
    bool expected;
  };
  const Case cases[] = {{5, 1, false}, {6, 1, false}, {6, 2, true}, {6, 3, true}, {10, 0, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
    os::OsVersion v;
    v.major = c.major;
    v.minor = c.minor;
    EXPECT_EQ(IsWindows8OrLater(v), c.expected);
  }
}

TEST(SystemServices, InstallLocationEndsWithABackslash) {
  const char16_t* id = u"{7A5C1E3D-4210-0F4B-9A61-2EC35807B4EA}";
  const std::u16string key = std::u16string(u"Software\\LanzoIME4\\") + id + u"\\";
  struct Case {
    const char16_t* stored;
    const char16_t* expected;
  };
  const Case cases[] = {{u"C:\\Lanzo", u"C:\\Lanzo\\"}, {u"C:\\Lanzo\\", u"C:\\Lanzo\\"}};
  for (const Case& c : cases) {
    ASSERT_TRUE(os::SetMachineString(key.c_str(), u"InstallLocation", c.stored));
    char16_t out[64];
    EXPECT_EQ(ReadInstallLocation(out, 64, id), 1);
    EXPECT_EQ(std::u16string(out), c.expected);
  }
  os::DeleteMachineValue(key.c_str(), u"InstallLocation");
  char16_t out[64] = u"x";
  EXPECT_EQ(ReadImeRegistryValue(out, 64, u"InstallLocation", id), 0);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(ReadHklmString(key.c_str(), out, 0, u"IMEName"), 0);
}

// An empty clipboard is not a failure: the clipboard macro and the look-up get the empty text.
TEST(SystemServices, AnEmptyClipboardGivesTheEmptyText) {
  ASSERT_TRUE(os::WriteClipboardText(u"旧文字"));
  ASSERT_TRUE(os::EmptyClipboardText());
  char16_t out[kClipboardTextUnits + 1] = u"x";
  EXPECT_EQ(GetClipboardText(out), 1);
  EXPECT_EQ(std::u16string(out), u"");
  ASSERT_TRUE(os::WriteClipboardText(u"新"));
  EXPECT_EQ(GetClipboardText(out), 1);
  EXPECT_EQ(std::u16string(out), u"新");
}

#ifdef _WIN32
// The real monitors: a point on the primary monitor gets its work area; a point off every screen gets
// the nearest monitor's, a non-empty area on the virtual screen.
TEST(SystemServices, WorkAreaOfTheNearestRealMonitor) {
  RECT primary{};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &primary, 0));
  const os::Rect primary_area{primary.left, primary.top, primary.right, primary.bottom};
  const os::Rect screen{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                        GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                        GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  struct Case {
    int x, y;
    bool primary;
  };
  const Case cases[] = {{(primary.left + primary.right) / 2, (primary.top + primary.bottom) / 2, true},
                        {primary.left, primary.top, true},
                        {-100000, -100000, false},
                        {100000, 100000, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    os::Rect out;
    EXPECT_EQ(GetWorkAreaAtPoint(out, c.x, c.y), 1);
    if (c.primary) {
      EXPECT_EQ(out, primary_area);
    }
    EXPECT_LT(out.left, out.right);
    EXPECT_LT(out.top, out.bottom);
    EXPECT_TRUE(out.left >= screen.left && out.top >= screen.top && out.right <= screen.right &&
                out.bottom <= screen.bottom);
  }
}
#endif

// The Windows clipboard and monitors belong to a desktop session; the POSIX stand-ins show the engine's side.
#ifndef _WIN32
TEST(SystemServices, ClipboardTextIsCutTo255Characters) {
  ASSERT_TRUE(os::WriteClipboardText(std::u16string(300, u'字')));
  char16_t out[kClipboardTextUnits + 1];
  EXPECT_EQ(GetClipboardText(out), 1);
  EXPECT_EQ(std::u16string(out), std::u16string(255, u'字'));
}

TEST(SystemServices, WorkAreaOfTheNearestMonitor) {
  const os::Monitor monitors[] = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                                  {{1920, 0, 3200, 1024}, {1920, 0, 3200, 1000}}};
  os::SetMonitorWorkAreas(monitors, 2);
  struct Case {
    int x, y;
    os::Rect expected;
  };
  const Case cases[] = {{10, 10, monitors[0].work_area}, {2000, 500, monitors[1].work_area},
                        {5000, 500, monitors[1].work_area}, {-300, 2000, monitors[0].work_area}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    os::Rect out;
    EXPECT_EQ(GetWorkAreaAtPoint(out, c.x, c.y), 1);
    EXPECT_EQ(out, c.expected);
  }
  os::SetMonitorWorkAreas(nullptr, 0);
  os::Rect out;
  EXPECT_EQ(GetWorkAreaAtPoint(out, 0, 0), 0);
}
#endif

}  // namespace
}  // namespace lz
