#include "config/app/config_program_win32.h"

#include <commctrl.h>
#include <ole2.h>

#include <iterator>
#include <string>

#include "config/web/about_page.h"
#include "config/settings/advanced_settings_win32.h"
#include "config/app/command_line.h"
#include "config/app/config_context.h"
#include "config/app/config_context_win32.h"
#include "config/settings/key_editor_win32.h"
#include "config/web/mini_dictionary_win32.h"
#include "config/web/web_pages_win32.h"
#include "config/settings/settings_window_win32.h"
#include "config/tables/table_browser_win32.h"
#include "config/update/update_dialog_win32.h"
#include "config/tables/user_word_dialog_win32.h"
#include "platform/os/clipboard.h"
#include "platform/dialogs/dialog_win32.h"
#include "platform/os/message_box.h"
#include "platform/os/native_path.h"
#include "platform/os/program_start.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/ime_block.h"

namespace lz::config {
namespace {

constexpr char16_t kCaption[] = u"配置程序";
constexpr std::uint32_t kBoxIconError = MB_ICONERROR;
constexpr std::uint32_t kBoxIconWarning = MB_ICONWARNING;
constexpr DWORD kAllControlClasses = 0xFF;

std::u16string Formatted(std::u16string_view format, const std::u16string& name) {
  std::u16string text(format);
  const std::size_t at = text.find(u"%s");
  if (at != std::u16string::npos) text.replace(at, 2, name);
  return text;
}

// Brings a window of this kind that is already open to the front instead of opening another.
void BringForward(HWND window) {
  ShowWindow(window, SW_RESTORE);
  SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  SetForegroundWindow(window);
}

// Hands the word to a running dictionary: at most 127 characters and a terminator in 256 bytes; an empty
// word is the last committed text.
void HandWordToDictionary(HWND dictionary, const ConfigContext& context, const std::u16string& word) {
  std::u16string text = word;
  if (text.empty()) {
    text = ReadFieldText(context.engine->blocks.ime, ime_block::kLastCommitText, ime_block::kLastCommitTextUnits);
  }
  char16_t buffer[kArgumentChars / 2] = {};
  static_assert(sizeof buffer == kArgumentChars && kDictionaryWordChars + 1 == std::size(buffer));
  const std::u16string_view cut = CutText(text, kDictionaryWordChars);
  cut.copy(buffer, cut.size());
  COPYDATASTRUCT data{0, sizeof buffer, buffer};
  SendMessageW(dictionary, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

struct KeyRouting {
  HWND main = nullptr;
};

// Ctrl+Tab turns the page; Tab alone moves the focus inside a library page, which is no dialog of this
// loop's own.
bool RouteKeys(MSG& message, void* context) {
  auto* routing = static_cast<KeyRouting*>(context);
  if (message.message != WM_KEYDOWN || message.wParam != VK_TAB || !routing->main) return false;
  if (GetKeyState(VK_CONTROL) < 0) {
    PostMessageW(routing->main, WM_SYSCOMMAND, kNextPageCommand, 0);
    return true;
  }
  HWND page = HostedPageWindow();
  if (page && IsWindowVisible(page)) {
    SendMessageW(page, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    PostMessageW(page, WM_NEXTDLGCTL, GetKeyState(VK_SHIFT) < 0 ? 1 : 0, 0);
    return true;
  }
  return false;
}

class MainSettingsRun {
 public:
  MainSettingsRun(HINSTANCE module, ConfigContext* context, int start_page, const std::u16string& name)
      : window_(module, context, start_page, name) {}
  void Run() {
    dialogs::SetPreTranslateHook(
        [](MSG& message, void* context) {
          auto* self = static_cast<MainSettingsRun*>(context);
          self->routing_.main = self->window_.window();
          return RouteKeys(message, &self->routing_);
        },
        this);
    window_.RunModal(nullptr);
    dialogs::SetPreTranslateHook(nullptr, nullptr);
  }

 private:
  SettingsWindow window_;
  KeyRouting routing_;
};

}  // namespace

int RunConfig(HINSTANCE module, const wchar_t* command_line) {
  INITCOMMONCONTROLSEX controls{sizeof controls, kAllControlClasses};
  InitCommonControlsEx(&controls);
  const bool ole = SUCCEEDED(OleInitialize(nullptr));
  HMODULE rich_edit = LoadLibraryW(L"riched20.dll");

  const ConfigCommandLine options = ParseConfigCommandLine(command_line ? os::U16Ptr(command_line) : u"");
  ConfigContext* context = OpenConfigContext(options.class_id.c_str());
  if (!context) {
    os::ShowMessageBox(nullptr, u"非法的软件环境，本程序无法继续。", kCaption, kBoxIconError);
  } else if (!options.current_version.empty() &&
             options.current_version !=
                 ReadFieldText(context->engine->blocks.soft, soft_block::kImeName, 56)) {
    os::ShowMessageBox(nullptr, u"程序检测到您正在使用旧版的输入法程序，建议重新启动当前程序，以使输入法更新生效。",
                       kCaption, kBoxIconWarning);
  } else {
    std::u16string display_name;
    ReadDisplayName(options.class_id, display_name);
    const ConfigRoute route = RouteConfigWord(options.do_word);
    HWND open = nullptr;
    if (!route.window_title.empty()) {
      const std::u16string title = Formatted(route.window_title, display_name);
      open = FindWindowW(L"#32770", os::WidePtr(title.c_str()));
    }
    if (open && route.action == ConfigAction::kDictionary) {
      HandWordToDictionary(open, *context, options.argument);
    } else if (open) {
      BringForward(open);
    } else if (route.action == ConfigAction::kMainSettings) {
      MainSettingsRun(module, context, route.start_page, display_name).Run();
    } else if (route.action == ConfigAction::kKeyFunctions) {
      KeyEditorDialog(module, context, display_name).RunModal(nullptr);
    } else if (route.action == ConfigAction::kAddWord || route.action == ConfigAction::kAddWordFromText) {
      UserWordStart start;
      start.mode = route.action == ConfigAction::kAddWord ? kUserWordMode : kUserWordOnlineMode;
      RunUserWordDialog(module, context, start, nullptr);
    } else if (route.action == ConfigAction::kOutputLookup || route.action == ConfigAction::kClipboardLookup) {
      // The word to look up: the text just committed, or the clipboard's.
      BrowserStart start;
      if (route.action == ConfigAction::kOutputLookup) {
        start.word = ReadFieldText(context->engine->blocks.ime, ime_block::kLastCommitText,
                                   ime_block::kLastCommitTextUnits);
      } else {
        os::ReadClipboardText(start.word);
      }
      start.word = std::u16string(CutText(start.word, kDictionaryWordChars));
      RunTableBrowser(module, context, start, nullptr);
    } else if (route.action == ConfigAction::kShowUrl) {
      RunHtmlViewer(module, options.argument, options.view_width, options.view_height, nullptr);
    } else if (route.action == ConfigAction::kDictionary) {
      // Without a word of its own the dictionary opens on the text just committed.
      std::u16string word = options.argument;
      if (word.empty()) {
        word = ReadFieldText(context->engine->blocks.ime, ime_block::kLastCommitText, ime_block::kLastCommitTextUnits);
      }
      RunMiniDictionary(module, context, display_name, std::u16string(CutText(word, kDictionaryWordChars)), nullptr);
    } else if (route.action == ConfigAction::kAdvancedSettings) {
      RunAdvancedSettings(module, context, display_name, nullptr);
    } else if (route.action == ConfigAction::kUpdate) {
      RunUpdateDialog(module, context, nullptr);
    } else if (route.action == ConfigAction::kHelp) {
      // The help file opens at its first page in the system's help viewer.
      os::StartProgram(HelpFilePath(context->engine->install_folder).c_str(), u"", u"");
    }
    // The other words' windows come with their own parts of config.
  }
  CloseConfigContext(context);
  if (rich_edit) FreeLibrary(rich_edit);
  if (ole) OleUninitialize();
  return 0;
}

}  // namespace lz::config
