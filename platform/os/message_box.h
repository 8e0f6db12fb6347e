#pragma once
// Message boxes of the engine (word information, the delete prompt): MessageBoxW on Windows. Tests set
// a responder that records each box and gives the answer; POSIX builds answer kAnswerNone without one.
#include <cstdint>
#include <string>

namespace os {

// Styles and answers as MessageBoxW has them.
constexpr std::uint32_t kBoxYesNo = 0x4;
constexpr std::uint32_t kBoxIconQuestion = 0x20;
constexpr std::uint32_t kBoxIconInformation = 0x40;
constexpr int kAnswerNone = 0;
constexpr int kAnswerOk = 1;
constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;

struct MessageBoxRequest {
  std::u16string text;
  std::u16string caption;
  std::uint32_t style;
};

// owner: the window the box belongs to (an HWND on Windows), may be null. Returns the answer.
int ShowMessageBox(void* owner, const char16_t* text, const char16_t* caption, std::uint32_t style);

using MessageBoxResponder = int (*)(const MessageBoxRequest& request, void* context);
void SetMessageBoxResponder(MessageBoxResponder responder, void* context);

}  // namespace os
