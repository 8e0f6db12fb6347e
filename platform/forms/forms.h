#pragma once
// Our own small form layer on USER32 and the common controls, in place of the forms runtime the tracker
// was designed on: a form is created hidden when code first touches it (its load handler first), shown
// modeless or modal, hidden, and unloaded with its members kept. Sizes and places are twips at the
// screen's DPI. Controls raise their events through std::function members; a value set from code raises
// the click as a user's click does.
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace forms {

// Twips (1/1440 inch) and pixels at the screen's DPI (96 under Xvfb: 15 twips a pixel).
int TwipsToPixelsX(double twips);
int TwipsToPixelsY(double twips);
double PixelsToTwipsX(int pixels);
double PixelsToTwipsY(int pixels);

std::u16string WindowText(HWND hwnd);
void SetWindowText16(HWND hwnd, const std::u16string& text);

class Form;

class Control {
 public:
  virtual ~Control() = default;
  HWND hwnd() const { return hwnd_; }
  int id() const { return id_; }
  std::u16string Text() const { return WindowText(hwnd_); }
  void SetText(const std::u16string& text) { SetWindowText16(hwnd_, text); }
  bool Enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }
  void SetEnabled(bool enabled) { EnableWindow(hwnd_, enabled); }
  bool Visible() const { return (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }
  void SetVisible(bool visible) { ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }
  // Place and size in twips, relative to the form's client area.
  void Move(double left, double top, double width, double height);
  void Focus() { SetFocus(hwnd_); }

  // Raised by WM_COMMAND and WM_NOTIFY of this control.
  virtual void OnCommand(int /*code*/, int /*command_id*/) {}
  virtual LRESULT OnNotify(NMHDR* /*header*/) { return 0; }

 protected:
  friend class Form;
  HWND hwnd_ = nullptr;
  int id_ = 0;
};

class Label : public Control {};

class TextBox : public Control {
 public:
  std::function<void()> on_change;
  void OnCommand(int code, int command_id) override;
};

// Combo and list boxes keep their items through the same messages under different numbers.
struct ItemMessages {
  UINT add, reset, count, text_length, text, get_selection, set_selection;
};

class ItemControl : public Control {
 public:
  void AddItem(const std::u16string& item);
  void Clear();
  int ListCount() const;
  std::u16string Item(int index) const;
  int ListIndex() const;
  // Selecting from code raises the click as the user's choice does.
  void SetListIndex(int index);
  std::function<void()> on_click;

 protected:
  explicit ItemControl(const ItemMessages& messages) : messages_(messages) {}

 private:
  const ItemMessages& messages_;
};

class ComboBox : public ItemControl {
 public:
  ComboBox();
  std::function<void()> on_change;
  // Enter in the box's edit field; the form's default button does not see that Enter.
  std::function<void()> on_enter;
  void OnCommand(int code, int command_id) override;
};

class ListBox : public ItemControl {
 public:
  ListBox();
  void OnCommand(int code, int command_id) override;
  // A double click on an item (also from code, after selecting the item).
  std::function<void()> on_double_click;
  void DoubleClick() { if (on_double_click) on_double_click(); }
};

class CheckBox : public Control {
 public:
  bool Value() const;
  void SetValue(bool checked);  // raises on_click
  std::function<void()> on_click;
  void OnCommand(int code, int command_id) override;
};

// One option of a group; the options of a form that share a group number exclude each other.
class OptionButton : public Control {
 public:
  bool Value() const;
  void SetValue(bool checked);  // clears the others of the group and raises on_click
  std::function<void()> on_click;
  void OnCommand(int code, int command_id) override;

 private:
  friend class Form;
  int group_ = 0;
  Form* form_ = nullptr;
};

class Button : public Control {
 public:
  void Click() { if (on_click) on_click(); }
  std::function<void()> on_click;
  void OnCommand(int code, int command_id) override;
};

class Frame : public Control {};

// A picture box: a fixed bitmap, and clicks on it. The picture owns the bitmap it is given.
class Picture : public Control {
 public:
  ~Picture() override;
  // Shows the bitmap (null shows none); the one shown before is freed.
  void SetImage(HBITMAP image);
  HBITMAP Image() const { return image_; }
  void Click() { if (on_click) on_click(); }
  std::function<void()> on_click;
  void OnCommand(int code, int command_id) override;

 private:
  HBITMAP image_ = nullptr;
};

class TabStrip : public Control {
 public:
  void AddTab(const std::u16string& caption);
  int SelectedIndex() const;
  void Select(int index);  // raises on_click
  std::function<void()> on_click;
  LRESULT OnNotify(NMHDR* header) override;
};

class ListView : public Control {
 public:
  void AddColumn(const std::u16string& header, double width_twips);
  // Appends a row with its text (the first column); returns its index.
  int AddRow(const std::u16string& text);
  void SetCell(int row, int column, const std::u16string& text);  // column 0 is the row text
  std::u16string Cell(int row, int column) const;
  int RowCount() const;
  int ColumnCount() const;
  void RemoveRow(int row);
  int SelectedRow() const;
  bool RowSelected(int row) const;
  // A left click, a right click (raised when the button comes up), the focus coming and going, and a
  // row selected or unselected (by the keys as much as by the mouse).
  std::function<void()> on_click;
  std::function<void()> on_right_click;
  std::function<void()> on_got_focus;
  std::function<void()> on_lost_focus;
  std::function<void()> on_selection_change;
  LRESULT OnNotify(NMHDR* header) override;
};

class Toolbar : public Control {
 public:
  struct ButtonSpec {
    std::u16string key;  // empty: a separator, which holds its place among the indexes
    std::u16string tip;
    int image;  // an index of comctl's standard small images (STD_*), or of the strip set below
  };
  ~Toolbar() override;
  // The buttons' pictures from a strip of square images (each as high as the strip), drawn over a mask
  // colour, in place of the standard images.
  void SetImageStrip(HBITMAP strip, COLORREF mask);
  void AddButtons(const std::vector<ButtonSpec>& buttons);
  int ButtonCount() const { return static_cast<int>(keys_.size()); }
  std::u16string Key(int index) const { return keys_.at(static_cast<std::size_t>(index)); }
  std::u16string Tip(int index) const;
  void SetTip(int index, const std::u16string& tip);
  bool Pressed(int index) const;
  void SetPressed(int index, bool pressed);
  void SetButtonEnabled(int index, bool enabled);
  // As a click on button index.
  void ClickButton(int index);
  std::function<void(const std::u16string& key)> on_click;
  void OnCommand(int code, int command_id) override;

 private:
  friend class Form;
  int first_command_ = 0;
  HIMAGELIST images_ = nullptr;
  std::vector<std::u16string> keys_;
  std::vector<std::unique_ptr<std::u16string>> tips_;
};

class StatusBar : public Control {
 public:
  void SetPanels(const std::vector<double>& widths_twips);  // the last panel takes the rest
  std::u16string Panel(int index) const;
  void SetPanel(int index, const std::u16string& text);
};

class DatePicker : public Control {
 public:
  SYSTEMTIME Value() const;
  void SetValue(const SYSTEMTIME& value);  // raises on_change
  std::function<void()> on_change;
  LRESULT OnNotify(NMHDR* header) override;
};

// Menus from one table: each row a caption ("-" a separator), its depth (0 a top menu), a command
// identifier, a shortcut, and whether it starts checked, enabled and visible. Invisible top menus are
// kept as pop-up menus; other invisible rows are left out.
struct MenuRow {
  int depth = 0;
  const char16_t* caption = u"";
  int command = 0;
  WORD key = 0;       // virtual key of the shortcut, 0 for none
  bool ctrl = false;  // with Ctrl
  bool checked = false;
  bool enabled = true;
  bool visible = true;
};

class MenuTable {
 public:
  ~MenuTable();
  void Build(const std::vector<MenuRow>& rows);
  HMENU bar() const { return bar_; }
  HACCEL accelerators() const { return accelerators_; }
  // The pop-up menu of an invisible top menu, by its command identifier.
  HMENU Popup(int command) const;
  void SetChecked(int command, bool checked);
  bool Checked(int command) const;
  void SetEnabled(int command, bool enabled);
  bool Enabled(int command) const;
  void SetCaption(int command, const std::u16string& caption);
  std::u16string Caption(int command) const;  // without the shortcut text

 private:
  HMENU MenuOf(int command) const;
  HMENU bar_ = nullptr;
  HACCEL accelerators_ = nullptr;
  std::map<int, HMENU> popups_;
  std::map<int, HMENU> owner_;
  std::map<int, std::u16string> shortcut_text_;
};

class Form {
 public:
  Form(std::u16string caption, double left, double top, double width, double height);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // Touching the window loads the form (hidden) first.
  HWND hwnd();
  bool loaded() const { return hwnd_ != nullptr; }
  void Load();
  void Show();
  // Shows the form modally over owner and returns when it is hidden or unloaded.
  void ShowModal(HWND owner);
  void Hide();
  void Unload();
  bool Visible() const { return hwnd_ && IsWindowVisible(hwnd_); }

  // The window's place and size in twips (screen coordinates, outer frame).
  double Left();
  double Top();
  double Width();
  double Height();
  void SetGeometry(double left, double top, double width, double height);

  void SetMenu(MenuTable& menu);
  // Enter clicks this button and Esc the cancel button, wherever the focus is in the form (not inside a
  // multi-line text box).
  void SetDefaultButton(Button* button) { default_button_ = button; }
  void SetCancelButton(Button* button) { cancel_button_ = button; }
  // Enter, Esc and the menu's shortcuts for a message of the loop; true when it was taken.
  bool TranslateFormMessage(MSG& msg);

  void ClearOptionGroup(int group, OptionButton* except);

  // The message loop of a program whose main form this is; ends at WM_QUIT.
  int RunMessageLoop();

 protected:
  virtual void OnLoad() {}
  // Menu and accelerator commands.
  virtual void OnMenuCommand(int /*command*/) {}
  // WM_CLOSE: the default hides the form.
  virtual void OnCloseRequest() { Hide(); }
  virtual void OnResize() {}
  virtual void OnTimer(UINT_PTR /*id*/) {}
  virtual void OnDestroyWindow() {}
  // Any message before the form's own handling; true when it was handled, with its result.
  virtual bool OnMessage(UINT /*message*/, WPARAM /*wparam*/, LPARAM /*lparam*/, LRESULT& /*result*/) { return false; }

  Label& AddLabel(const std::u16string& caption, double l, double t, double w, double h);
  TextBox& AddTextBox(double l, double t, double w, double h, bool multi_line = false, bool wrap = true);
  ComboBox& AddComboBox(double l, double t, double w, double h, bool editable);
  ListBox& AddListBox(double l, double t, double w, double h);
  CheckBox& AddCheckBox(const std::u16string& caption, double l, double t, double w, double h);
  OptionButton& AddOptionButton(const std::u16string& caption, int group, double l, double t, double w, double h);
  Button& AddButton(const std::u16string& caption, double l, double t, double w, double h);
  Frame& AddFrame(const std::u16string& caption, double l, double t, double w, double h);
  Picture& AddPicture(double l, double t, double w, double h);
  TabStrip& AddTabStrip(double l, double t, double w, double h);
  ListView& AddListView(double l, double t, double w, double h);
  Toolbar& AddToolbar();
  StatusBar& AddStatusBar();
  DatePicker& AddDatePicker(double l, double t, double w, double h);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  template <typename T>
  T& Add(T* control, const wchar_t* window_class, const std::u16string& text, DWORD style, double l, double t,
         double w, double h, DWORD ex_style = 0);

  std::u16string caption_;
  double left_, top_, width_, height_;
  HWND hwnd_ = nullptr;
  HFONT font_ = nullptr;
  MenuTable* menu_ = nullptr;
  Button* default_button_ = nullptr;
  Button* cancel_button_ = nullptr;
  std::vector<std::unique_ptr<Control>> controls_;
  std::map<HWND, Control*> by_hwnd_;
  int next_id_ = 0x4000;
  bool modal_ = false;
};

// Tests answer modal forms as they answer message boxes: once a form shows modally the responder is
// called with it and may press its buttons; a form it leaves open runs its modal loop as usual.
using ModalResponder = void (*)(Form& form, void* context);
void SetModalResponder(ModalResponder responder, void* context);

// A modal box with a prompt, a text box and OK and Cancel; false when cancelled.
bool InputBox(HWND owner, const std::u16string& prompt, const std::u16string& title, std::u16string& value);

// ChooseFontW with a face name and a size in points; false when cancelled.
struct FontChoice {
  std::u16string face = u"Arial";
  int points = 10;
  bool bold = false;
  bool italic = false;
};
bool ChooseFontFor(HWND owner, FontChoice& choice);

}  // namespace forms
