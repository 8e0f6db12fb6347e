#include "config/tables/user_word_dialog_win32.h"

#include <vector>

#include "config/app/config_context.h"
#include "config/app/config_resources.h"
#include "platform/dialogs/dialog_win32.h"
#include "platform/os/clipboard.h"
#include "platform/os/native_path.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/data_files.h"
#include "textservice/engine/ime_block.h"

namespace lz::config {
namespace {

constexpr int kLibraryIcon = 113;
constexpr char16_t kOnlineSourceWhenEmpty[] = u"在线加词";
constexpr char16_t kClipboardSourceWhenEmpty[] = u"手动加词";

std::u16string ItemText(HWND item) {
  std::vector<wchar_t> buffer(kUserWordTextUnits + 1);
  GetWindowTextW(item, buffer.data(), static_cast<int>(buffer.size()));
  return os::U16Ptr(buffer.data());
}

class UserWordDialog : public dialogs::Dialog {
 public:
  UserWordDialog(HINSTANCE module, ConfigContext* context, const UserWordStart& start)
      : Dialog(module, IDD_USER_WORD_DIALOG), context_(context), start_(start) {}

  INT_PTR Run(HWND owner) {
    dialogs::SetPreTranslateHook(
        [](MSG& message, void* self) { return static_cast<UserWordDialog*>(self)->PreTranslate(message); }, this);
    const INT_PTR result = RunModal(owner);
    dialogs::SetPreTranslateHook(nullptr, nullptr);
    return result;
  }

 protected:
  BOOL OnInitDialog() override {
    if (HICON icon = context_->library ? LoadIconW(context_->library, MAKEINTRESOURCEW(kLibraryIcon)) : nullptr) {
      SendMessageW(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
      SendMessageW(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    std::u16string name;
    if (!ReadDisplayName(context_->class_id, name)) name = u"*";
    const bool online = start_.mode == kUserWordOnlineMode;
    ShowWindow(Item(IDC_USER_WORD_CLIPBOARD), online ? SW_SHOW : SW_HIDE);
    SetStatic(online ? kWordLengthHint : u"");
    std::u16string title;
    if (start_.mode == kUserWordModifyMode) {
      title = u"修改词条 - ";
      SetText(IDC_USER_WORD_WORD, start_.word);
      SetText(IDC_USER_WORD_CODE, start_.code);
    } else if (online) {
      title = u"在线加词 - ";
      source_ = RecentText();
      length_ = kFirstOnlineWordLength;
      ShowSourceWord();
    } else {
      title = u"添加词条 - ";
    }
    SetWindowTextW(window(), os::WidePtr((title + name).c_str()));
    return TRUE;
  }

  bool OnCommand(int id, int code, HWND control) override {
    if (id == IDC_USER_WORD_WORD && code == EN_CHANGE) {
      OnWordChanged();
      return true;
    }
    if (id == IDC_USER_WORD_CODE && code == EN_CHANGE) {
      SetStatic(start_.mode == kUserWordOnlineMode ? kWordLengthHint : u"");
      return true;
    }
    if (id == IDC_USER_WORD_CLIPBOARD && code == BN_CLICKED) {
      OnClipboardWord();
      return true;
    }
    return Dialog::OnCommand(id, code, control);
  }

  void OnOk() override { OnAddWordOk(); }

 private:
  bool PreTranslate(MSG& message) {
    if (message.message != WM_KEYDOWN || !window() || (message.hwnd != window() && !IsChild(window(), message.hwnd))) {
      return false;
    }
    switch (message.wParam) {
      case VK_RETURN:
        OnAddWordOk();
        return true;
      case VK_ESCAPE:
        End(IDCANCEL);
        return true;
      case VK_UP:
      case VK_DOWN:
        if (start_.mode != kUserWordOnlineMode) return false;
        length_ = StepWordLength(source_, length_, message.wParam == VK_UP ? +1 : -1);
        ShowSourceWord();
        return true;
      default:
        return false;
    }
  }

  std::u16string RecentText() const {
    std::u16string text =
        ReadFieldText(context_->engine->blocks.ime, ime_block::kRecentText, ime_block::kRecentTextUnits);
    return text.empty() ? std::u16string(kOnlineSourceWhenEmpty) : text;
  }

  void ShowSourceWord() { SetText(IDC_USER_WORD_WORD, LastCharacters(source_, length_)); }

  void OnWordChanged() {
    if (start_.mode == kUserWordModifyMode) return;
    const std::u16string word = ItemText(Item(IDC_USER_WORD_WORD));
    SetText(IDC_USER_WORD_CODE,
            ProposeWordCode(context_->engine->files.danzi, context_->engine->blocks.dme, word));
    SetStatic(start_.mode == kUserWordOnlineMode ? kWordLengthHint : u"");
  }

  void OnClipboardWord() {
    if (IsDlgButtonChecked(window(), IDC_USER_WORD_CLIPBOARD) == BST_CHECKED) {
      std::u16string text;
      os::ReadClipboardText(text);
      source_ = text.substr(0, kUserWordTextUnits);
      if (source_.empty()) source_ = kClipboardSourceWhenEmpty;
      length_ = static_cast<int>(source_.size());  // the whole text
    } else {
      source_ = RecentText();
      length_ = kFirstOnlineWordLength;
    }
    ShowSourceWord();
  }

  void OnAddWordOk() {
    UserWordRequest request;
    request.word = ItemText(Item(IDC_USER_WORD_WORD));
    request.code = ItemText(Item(IDC_USER_WORD_CODE));
    const std::u16string refusal = CheckUserWordInput(request.word, request.code);
    if (!refusal.empty()) {
      SetStatic(refusal);
      return;
    }
    request.record_class = start_.record_class;
    request.pinned = IsDlgButtonChecked(window(), IDC_USER_WORD_PIN) == BST_CHECKED;
    request.position = start_.mode == kUserWordModifyMode ? start_.position : -1;
    // Another process may have grown the tables since they were mapped.
    ReopenResizedTables(context_->engine->files);
    const UserWordOutcome outcome = StoreUserWord(context_->engine->files.main, request);
    SetStatic(UserWordOutcomeText(outcome));
    if (outcome == UserWordOutcome::kAdded || outcome == UserWordOutcome::kUndeleted) End(IDOK);
  }

  void SetText(int id, const std::u16string& text) { SetWindowTextW(Item(id), os::WidePtr(text.c_str())); }
  void SetStatic(const std::u16string& text) { SetText(IDC_USER_WORD_STATUS, text); }

  ConfigContext* context_;
  UserWordStart start_;
  std::u16string source_;
  int length_ = kFirstOnlineWordLength;
};

}  // namespace

INT_PTR RunUserWordDialog(HINSTANCE module, ConfigContext* context, const UserWordStart& start, HWND owner) {
  if (!context || !context->engine) return -1;
  return UserWordDialog(module, context, start).Run(owner);
}

}  // namespace lz::config
