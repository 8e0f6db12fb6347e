#pragma once
// The installer's last word on a fault: a minidump in "<temp>\mvwin32dump\core.dmp" and a box that offers
// to show it; then the process ends.
#include <windows.h>

#include <string>

namespace lz::installer {

inline constexpr char16_t kTextCrash[] =
    u"软件运行发生了严重错误，我们抓取了一些异常信息，并保存在文件中。\r\n是否现在查看异常文件？";
inline constexpr char16_t kCaptionCrash[] = u"软件运行异常";

// Installs the process-wide filter. A silent run writes the dump without asking.
void InstallCrashFilter(bool silent);

// The dump's path below a temporary folder; empty when it would not fit.
std::u16string CrashDumpPath(const std::u16string& temp_folder);

}  // namespace lz::installer
