#include "platform/forms/forms.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace forms {
namespace {

constexpr int kCommandFirst = 101;
constexpr int kCommandChecked = 102;
constexpr int kCommandHidden = 103;
constexpr int kCommandPopupItem = 104;
constexpr int kPopupMenu = 105;

// A form with one control of each kind that writes every event it gets into a log.
class ProbeForm final : public Form {
 public:
  ProbeForm() : Form(u"Probe", 1500, 1500, 9000, 7000) {}
  std::vector<std::string> log;
  int loads = 0;
  Label* label = nullptr;
  TextBox* text = nullptr;
  TextBox* memo = nullptr;
  ComboBox* combo = nullptr;
  ListBox* list = nullptr;
  CheckBox* check = nullptr;
  OptionButton* option_a = nullptr;
  OptionButton* option_b = nullptr;
  Button* ok = nullptr;
  Button* cancel = nullptr;
  TabStrip* tabs = nullptr;
  ListView* view = nullptr;
  Toolbar* toolbar = nullptr;
  StatusBar* status = nullptr;
  DatePicker* date = nullptr;
  MenuTable menu;

 protected:
  void OnLoad() override {
    ++loads;
    log.push_back("load");
    toolbar = &AddToolbar();
    toolbar->AddButtons({{u"start", u"Start", STD_FILENEW}, {u"pause", u"Pause", STD_UNDO}});
    toolbar->on_click = [this](const std::u16string& key) { log.push_back("toolbar " + Narrow(key)); };
    label = &AddLabel(u"Label", 120, 600, 1200, 300);
    text = &AddTextBox(1400, 600, 2000, 330);
    text->on_change = [this] { log.push_back("text change"); };
    memo = &AddTextBox(3500, 600, 2000, 900, true, false);
    combo = &AddComboBox(120, 1600, 2000, 1500, true);
    combo->on_click = [this] { log.push_back("combo click"); };
    list = &AddListBox(2200, 1600, 2000, 900);
    list->on_click = [this] { log.push_back("list click"); };
    check = &AddCheckBox(u"Check", 4300, 1600, 1500, 300);
    check->on_click = [this] { log.push_back(check->Value() ? "check on" : "check off"); };
    option_a = &AddOptionButton(u"A", 1, 4300, 2000, 900, 300);
    option_b = &AddOptionButton(u"B", 1, 5300, 2000, 900, 300);
    option_a->on_click = [this] { log.push_back("option a"); };
    option_b->on_click = [this] { log.push_back("option b"); };
    AddFrame(u"Frame", 6000, 600, 2500, 1500);
    ok = &AddButton(u"OK", 120, 2700, 1200, 380);
    ok->on_click = [this] { log.push_back("ok"); };
    cancel = &AddButton(u"Cancel", 1400, 2700, 1200, 380);
    cancel->on_click = [this] { log.push_back("cancel"); };
    SetDefaultButton(ok);
    SetCancelButton(cancel);
    tabs = &AddTabStrip(120, 3200, 4000, 600);
    tabs->AddTab(u"One");
    tabs->AddTab(u"Two");
    tabs->on_click = [this] { log.push_back("tab " + std::to_string(tabs->SelectedIndex())); };
    view = &AddListView(120, 3900, 6000, 1500);
    view->AddColumn(u"Start", 610);
    view->AddColumn(u"Stop", 700);
    date = &AddDatePicker(4300, 2500, 2000, 330);
    date->on_change = [this] { log.push_back("date change"); };
    status = &AddStatusBar();
    status->SetPanels({3000, 3000});
    menu.Build({
        {0, u"&Time ", 0},
        {1, u"Sta&rt", kCommandFirst, 'R', true},
        {1, u"-", 0},
        {1, u"Standard T&ime", kCommandChecked, 'I', true, true},
        {1, u"&Normal Time", kCommandHidden, 'N', true, false, true, false},
        {0, u"mainmenu", kPopupMenu, 0, false, false, true, false},
        {1, u"Start", kCommandPopupItem},
    });
    SetMenu(menu);
  }
  void OnMenuCommand(int command) override { log.push_back("menu " + std::to_string(command)); }

 private:
  static std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }
};

// Runs the messages waiting for the thread, as the program's loop would.
void Pump(Form& form) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (form.TranslateFormMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

TEST(Forms, TouchingAFormLoadsItHiddenOnceAndUnloadKeepsMembers) {
  ProbeForm form;
  EXPECT_FALSE(form.loaded());
  EXPECT_NE(form.hwnd(), nullptr);
  EXPECT_EQ(form.loads, 1);
  EXPECT_FALSE(form.Visible());
  form.hwnd();
  EXPECT_EQ(form.loads, 1);
  form.Show();
  EXPECT_TRUE(form.Visible());
  form.Hide();
  EXPECT_FALSE(form.Visible());
  form.Unload();
  EXPECT_FALSE(form.loaded());
  EXPECT_EQ(form.log.size(), 1u);  // members survive the window
  form.hwnd();
  EXPECT_EQ(form.loads, 2);
}

TEST(Forms, GeometryIsInTwips) {
  ProbeForm form;
  EXPECT_EQ(TwipsToPixelsX(1500), 100);  // 96 DPI under the virtual display
  EXPECT_DOUBLE_EQ(PixelsToTwipsX(581), 8715);
  form.SetGeometry(1695, 1500, 8715, 6045);
  EXPECT_DOUBLE_EQ(form.Left(), 1695);
  EXPECT_DOUBLE_EQ(form.Top(), 1500);
  EXPECT_DOUBLE_EQ(form.Width(), 8715);
  EXPECT_DOUBLE_EQ(form.Height(), 6045);
}

TEST(Forms, ValuesSetFromCodeRaiseTheirEvents) {
  ProbeForm form;
  form.Show();
  form.log.clear();
  form.text->SetText(u"typed");
  EXPECT_EQ(form.text->Text(), u"typed");
  form.memo->SetText(u"line 1\r\nline 2");
  EXPECT_EQ(form.memo->Text(), u"line 1\r\nline 2");
  form.label->SetText(u"Today is");
  EXPECT_EQ(form.label->Text(), u"Today is");
  form.combo->AddItem(u"Study");
  form.combo->AddItem(u"Work");
  form.combo->SetListIndex(1);
  EXPECT_EQ(form.combo->Text(), u"Work");
  EXPECT_EQ(form.combo->ListCount(), 2);
  form.combo->SetText(u"Own");
  EXPECT_EQ(form.combo->Text(), u"Own");
  form.list->AddItem(u"a");
  form.list->AddItem(u"b");
  form.list->SetListIndex(1);
  EXPECT_EQ(form.list->Item(form.list->ListIndex()), u"b");
  form.check->SetValue(true);
  form.check->SetValue(false);
  form.option_a->SetValue(true);
  form.option_b->SetValue(true);
  EXPECT_FALSE(form.option_a->Value());
  EXPECT_TRUE(form.option_b->Value());
  form.tabs->Select(1);
  SYSTEMTIME day{};
  day.wYear = 2026;
  day.wMonth = 12;
  day.wDay = 10;
  form.date->SetValue(day);
  EXPECT_EQ(form.date->Value().wDay, 10);
  form.ok->Click();
  const std::vector<std::string> expected = {"text change", "combo click", "list click", "check on", "check off",
                                             "option a",    "option b",    "tab 1",      "date change", "ok"};
  EXPECT_EQ(form.log, expected);
}

TEST(Forms, UserClicksReachTheHandlers) {
  ProbeForm form;
  form.Show();
  form.log.clear();
  SendMessageW(form.check->hwnd(), BM_CLICK, 0, 0);
  SendMessageW(form.option_a->hwnd(), BM_CLICK, 0, 0);
  SendMessageW(form.cancel->hwnd(), BM_CLICK, 0, 0);
  SendMessageW(form.toolbar->hwnd(), TB_PRESSBUTTON, 0x6001, 0);  // no click: only the state
  SendMessageW(form.hwnd(), WM_COMMAND, MAKEWPARAM(0x6001, BN_CLICKED), reinterpret_cast<LPARAM>(form.toolbar->hwnd()));
  const std::vector<std::string> expected = {"check on", "option a", "cancel", "toolbar pause"};
  EXPECT_EQ(form.log, expected);
  EXPECT_TRUE(form.option_a->Value());
}

TEST(Forms, EnterAndEscClickTheDefaultAndCancelButtons) {
  ProbeForm form;
  form.Show();
  SetForegroundWindow(form.hwnd());
  form.log.clear();
  form.text->Focus();
  PostMessageW(form.text->hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(form.text->hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  // Enter inside a multi-line box is a line break there, not a click.
  PostMessageW(form.memo->hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  Pump(form);
  const std::vector<std::string> expected = {"ok", "cancel"};
  EXPECT_EQ(form.log, expected);
}

TEST(Forms, ListViewToolbarAndStatusBar) {
  ProbeForm form;
  form.Show();
  EXPECT_EQ(form.view->ColumnCount(), 2);
  const int row = form.view->AddRow(u"2:00 PM");
  form.view->SetCell(row, 1, u"3:00 PM");
  EXPECT_EQ(form.view->RowCount(), 1);
  EXPECT_EQ(form.view->Cell(0, 0), u"2:00 PM");
  EXPECT_EQ(form.view->Cell(0, 1), u"3:00 PM");
  EXPECT_EQ(form.toolbar->ButtonCount(), 2);
  EXPECT_EQ(form.toolbar->Tip(1), u"Pause");
  form.toolbar->SetTip(1, u"Continue");
  EXPECT_EQ(form.toolbar->Tip(1), u"Continue");
  form.toolbar->SetPressed(1, true);
  EXPECT_TRUE(form.toolbar->Pressed(1));
  form.toolbar->SetPressed(1, false);
  EXPECT_FALSE(form.toolbar->Pressed(1));
  form.status->SetPanel(1, u"Start...");
  EXPECT_EQ(form.status->Panel(1), u"Start...");
}

TEST(Forms, MenusFromOneTable) {
  ProbeForm form;
  form.Show();
  EXPECT_EQ(form.menu.Caption(kCommandFirst), u"Sta&rt");
  EXPECT_TRUE(form.menu.Checked(kCommandChecked));
  EXPECT_TRUE(form.menu.Enabled(kCommandFirst));
  form.menu.SetEnabled(kCommandFirst, false);
  EXPECT_FALSE(form.menu.Enabled(kCommandFirst));
  form.menu.SetChecked(kCommandChecked, false);
  EXPECT_FALSE(form.menu.Checked(kCommandChecked));
  form.menu.SetCaption(kCommandFirst, u"Contin&ue");
  EXPECT_EQ(form.menu.Caption(kCommandFirst), u"Contin&ue");
  EXPECT_EQ(form.menu.Caption(kCommandHidden), u"");  // an invisible entry is not in the menu
  ASSERT_NE(form.menu.Popup(kPopupMenu), nullptr);
  EXPECT_EQ(GetMenuItemCount(form.menu.Popup(kPopupMenu)), 1);
  EXPECT_EQ(GetMenuItemCount(GetMenu(form.hwnd())), 1);  // the pop-up menu is not in the bar
  // Ctrl+I, the shortcut of an entry, runs its command through the accelerator table.
  form.log.clear();
  form.menu.SetEnabled(kCommandFirst, true);
  MSG msg{form.hwnd(), WM_KEYDOWN, 'I', 0, 0, {}};
  BYTE keys[256] = {};
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  EXPECT_TRUE(form.TranslateFormMessage(msg));
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  Pump(form);
  ASSERT_FALSE(form.log.empty());
  EXPECT_EQ(form.log.back(), "menu " + std::to_string(kCommandChecked));
}

// Timer procedures are standard-call functions: a lambda does not convert to one in the x86 build.
std::u16string typed;
void CALLBACK TypeAnswerAndEnter(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  HWND box = GetForegroundWindow();
  HWND edit = FindWindowExW(box, nullptr, L"EDIT", nullptr);
  SetWindowTextW(edit, reinterpret_cast<const wchar_t*>(typed.c_str()));
  PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
}
void CALLBACK PressEscape(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
}

TEST(Forms, InputBoxAnswersWithTheTextOrCancel) {
  // The box is modal: a timer posted before it opens types the answer and presses Enter.
  typed = u"answer";
  SetTimer(nullptr, 0, 50, TypeAnswerAndEnter);
  std::u16string value = u"old";
  EXPECT_TRUE(InputBox(nullptr, u"Name?", u"Pendulo", value));
  EXPECT_EQ(value, u"answer");
  SetTimer(nullptr, 0, 50, PressEscape);
  EXPECT_FALSE(InputBox(nullptr, u"Name?", u"Pendulo", value));
  EXPECT_EQ(value, u"answer");
}

}  // namespace
}  // namespace forms
