#include <windows.h>

#include <atomic>

#include "platform/os/help_viewer.h"
#include "platform/os/native_path.h"

namespace os {
namespace {

std::atomic<HelpSink> g_sink{nullptr};
std::atomic<void*> g_context{nullptr};

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
  const HtmlHelpFunction html_help = LoadHtmlHelp();
  if (!html_help) return false;
  html_help(GetDesktopWindow(), WidePtr(file), kDisplayTopic, reinterpret_cast<DWORD_PTR>(WidePtr(topic)));
  return true;
}

}  // namespace os
