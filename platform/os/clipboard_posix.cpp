#include <mutex>

#include "platform/os/clipboard.h"

namespace os {
namespace {

struct Clipboard {
  std::mutex mutex;
  std::u16string text;
};

Clipboard& TheClipboard() {
  static Clipboard clipboard;
  return clipboard;
}

}  // namespace

bool ReadClipboardText(std::u16string& out) {
  Clipboard& c = TheClipboard();
  std::lock_guard<std::mutex> lock(c.mutex);
  out = c.text;
  return true;
}

bool WriteClipboardText(std::u16string_view text) {
  Clipboard& c = TheClipboard();
  std::lock_guard<std::mutex> lock(c.mutex);
  c.text = text;
  return true;
}

bool EmptyClipboardText() {
  Clipboard& c = TheClipboard();
  std::lock_guard<std::mutex> lock(c.mutex);
  c.text.clear();
  return true;
}

}  // namespace os
