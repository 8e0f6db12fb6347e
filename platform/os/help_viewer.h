#pragma once
// The help file's topics. On Windows through HtmlHelpW of hhctrl.ocx, loaded when help is first asked
// for (a host program need not have HTML Help loaded, and the library does not link it). Tests set a
// sink that records each request; POSIX builds drop a request that no sink takes.
#include <string>

namespace os {

struct HelpRequest {
  std::u16string file;   // the compiled help file
  std::u16string topic;  // the page inside it
};

// Shows topic of the compiled help file (HH_DISPLAY_TOPIC). False when HTML Help is not available.
bool ShowHelpTopic(const char16_t* file, const char16_t* topic);

using HelpSink = void (*)(const HelpRequest& request, void* context);
void SetHelpSink(HelpSink sink, void* context);

}  // namespace os
