#include "platform/os/help_viewer.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>

#include "platform/os/native_path.h"
#endif

namespace os {
namespace {

std::atomic<HelpSink> g_sink{nullptr};
std::atomic<void*> g_context{nullptr};

#ifdef _WIN32
constexpr UINT kDisplayTopic = 0;  // HH_DISPLAY_TOPIC
using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

HtmlHelpFunction LoadHtmlHelp() {
  // Loaded once and kept: the help window lives on after the call returns.
  static const HtmlHelpFunction function = [] {
    HMODULE module = LoadLibraryW(L"hhctrl.ocx");
    if (!module) return HtmlHelpFunction{nullptr};
    return reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpW")));
  }();
  return function;
}
#endif

}  // namespace

void SetHelpSink(HelpSink sink, void* context) {
  g_context = context;
  g_sink = sink;
}

bool ShowHelpTopic(const char16_t* file, const char16_t* topic) {
  if (const HelpSink sink = g_sink) {
    sink(HelpRequest{file ? file : u"", topic ? topic : u""}, g_context);
    return true;
  }
#ifdef _WIN32
  const HtmlHelpFunction html_help = LoadHtmlHelp();
  if (!html_help) return false;
  html_help(GetDesktopWindow(), WidePtr(file), kDisplayTopic, reinterpret_cast<DWORD_PTR>(WidePtr(topic)));
  return true;
#else
  return false;  // no help viewer outside Windows
#endif
}

}  // namespace os
