#include "platform/os/message_box.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>

#include "platform/os/native_path.h"
#endif

namespace os {
namespace {

std::atomic<MessageBoxResponder> g_responder{nullptr};
std::atomic<void*> g_context{nullptr};

}  // namespace

void SetMessageBoxResponder(MessageBoxResponder responder, void* context) {
  g_context = context;
  g_responder = responder;
}

int ShowMessageBox([[maybe_unused]] void* owner, const char16_t* text, const char16_t* caption, std::uint32_t style) {
  if (const MessageBoxResponder responder = g_responder) {
    return responder(MessageBoxRequest{text ? text : u"", caption ? caption : u"", style}, g_context);
  }
#ifdef _WIN32
  return MessageBoxW(static_cast<HWND>(owner), WidePtr(text), WidePtr(caption), style);
#else
  return kAnswerNone;
#endif
}

}  // namespace os
