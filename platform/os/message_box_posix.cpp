#include <atomic>

#include "platform/os/message_box.h"

namespace os {
namespace {

std::atomic<MessageBoxResponder> g_responder{nullptr};
std::atomic<void*> g_context{nullptr};

}  // namespace

void SetMessageBoxResponder(MessageBoxResponder responder, void* context) {
  g_context = context;
  g_responder = responder;
}

int ShowMessageBox(void*, const char16_t* text, const char16_t* caption, std::uint32_t style) {
  const MessageBoxResponder responder = g_responder;
  if (!responder) return kAnswerNone;
  return responder(MessageBoxRequest{text ? text : u"", caption ? caption : u"", style}, g_context);
}

}  // namespace os
