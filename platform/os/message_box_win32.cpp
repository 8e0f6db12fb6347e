#include <windows.h>

#include <atomic>

#include "platform/os/message_box.h"
#include "platform/os/native_path.h"

namespace os {
namespace {

std::atomic<MessageBoxResponder> g_responder{nullptr};
std::atomic<void*> g_context{nullptr};

}  // namespace

void SetMessageBoxResponder(MessageBoxResponder responder, void* context) {
  g_context = context;
  g_responder = responder;
}

int ShowMessageBox(void* owner, const char16_t* text, const char16_t* caption, std::uint32_t style) {
  if (const MessageBoxResponder responder = g_responder) {
    return responder(MessageBoxRequest{text ? text : u"", caption ? caption : u"", style}, g_context);
  }
  return MessageBoxW(static_cast<HWND>(owner), WidePtr(text), WidePtr(caption), style);
}

}  // namespace os
