#pragma once
// The advanced settings editor (dialog 157): all settings of the input method as one text in a rich
// edit, searched with Ctrl+F, Ctrl+K and F3, saved back into the live blocks, backed up to a file and
// restored from one.
#include <windows.h>

#include <string>

#include "config/app/config_context_win32.h"
#include "platform/dialogs/dialog_win32.h"

namespace lz::config {

class AdvancedSettingsDialog : public dialogs::Dialog {
 public:
  // display_name: the input method's DisplayName for the title, empty when it can't be read.
  AdvancedSettingsDialog(HINSTANCE module, ConfigContext* context, std::u16string display_name);

  // The editor's text, as WM_GETTEXT gives it (CR LF line ends).
  std::u16string Text() const;
  bool modified() const { return modified_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
  void OnOk() override { FindNextText(); }
  void OnCancel() override;
  void OnDestroy() override;

 private:
  void SetText(const std::u16string& text);
  void ColourSettingsText();
  void FindNextText();
  // True when the text was applied.
  bool SaveSettingsText();
  void BackupSettingsText();
  void RestoreSettingsText();
  std::u16string BackupFolder() const;
  void SetHotKeys(bool on);
  void ShowContextMenu();
  static LRESULT CALLBACK EditProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                        DWORD_PTR data);

  HINSTANCE module_;
  ConfigContext* context_;
  std::u16string display_name_;
  HWND edit_ = nullptr;
  bool modified_ = false;
  bool menu_showing_ = false;
  bool hot_keys_ = false;
  LONG search_start_ = 0;
};

// Runs the editor modally over owner (null for a run of its own).
void RunAdvancedSettings(HINSTANCE module, ConfigContext* context, const std::u16string& display_name, HWND owner);

// The editor's message texts.
constexpr char16_t kAdvancedTitlePrefix[] = u"高级设置模式 - ";
constexpr char16_t kNotFoundText[] = u"未找到指定文本";
constexpr char16_t kSaveChangesText[] = u"是否保存对设置内容的更改？";
constexpr char16_t kNoSettingsSectionsText[] = u"文本中没有可识别的设置节（如“[-IME设置-]”），设置未作更改。";
constexpr char16_t kSettingsNotWritableText[] = u"无法写入配置文件，设置未作更改。";
constexpr char16_t kBackupNotWrittenText[] = u"无法写入备份文件，备份未完成。";
constexpr char16_t kRestoreTitle[] = u"导入备份文件...";

}  // namespace lz::config
