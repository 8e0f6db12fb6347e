#include <atomic>

#include "platform/os/help_viewer.h"

namespace os {
namespace {

std::atomic<HelpSink> g_sink{nullptr};
std::atomic<void*> g_context{nullptr};

}  // namespace

void SetHelpSink(HelpSink sink, void* context) {
  g_context = context;
  g_sink = sink;
}

bool ShowHelpTopic(const char16_t* file, const char16_t* topic) {
  const HelpSink sink = g_sink;
  if (!sink) return false;
  sink(HelpRequest{file ? file : u"", topic ? topic : u""}, g_context);
  return true;
}

}  // namespace os
