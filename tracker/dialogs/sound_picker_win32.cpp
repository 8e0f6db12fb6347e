#include "tracker/dialogs/sound_picker_win32.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/os/native_path.h"
#include "tracker/dialogs/sound_picker_model.h"

namespace tracker {
namespace {

constexpr double kWidth = 6600;
constexpr double kHeight = 4800;
constexpr double kBesideMainLeft = 1725;
constexpr double kBesideMainTop = 1675;

// A drive without a medium answers with an error instead of the system's "insert a disk" box.
class QuietDriveErrors {
 public:
  QuietDriveErrors() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
  ~QuietDriveErrors() { SetErrorMode(previous_); }

 private:
  UINT previous_;
};

// The current folder of a drive ("C:"), or its root.
std::u16string DriveFolder(const std::u16string& drive) {
  wchar_t path[MAX_PATH * 4] = {};
  const std::wstring letter(1, static_cast<wchar_t>(drive.empty() ? L'C' : drive[0]));
  const DWORD length = GetFullPathNameW((letter + L":").c_str(), MAX_PATH * 4, path, nullptr);
  if (length == 0 || length >= MAX_PATH * 4) return std::u16string(1, letter[0]) + u":\\";
  return std::u16string(os::U16Ptr(path), length);
}

bool IsFolder(const std::u16string& path) {
  QuietDriveErrors quiet;
  const DWORD attributes = GetFileAttributesW(os::WidePtr(path.c_str()));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void Fill(forms::ListBox& list, std::vector<std::u16string> items) {
  std::sort(items.begin(), items.end());
  list.Clear();
  for (const auto& item : items) list.AddItem(item);
}

}  // namespace

SoundPicker::SoundPicker(SoundPickerEnvironment environment)
    : forms::Form(u"Sound File", 0, 0, kWidth, kHeight), environment_(std::move(environment)) {}

void SoundPicker::OnLoad() {
  drives_ = &AddComboBox(120, 120, 2800, 2400, false);
  folders_ = &AddListBox(120, 600, 2800, 3000);
  files_ = &AddListBox(3100, 120, 3200, 3480);
  ok_ = &AddButton(u"&OK", kWidth - 1700, kHeight - 1150, 1200, 400);
  ok_->on_click = [this] { Hide(); };
  drives_->on_click = [this] { ChooseDrive(); };
  folders_->on_double_click = [this] { EnterFolder(); };
  files_->on_click = [this] { ChooseFile(false); };
  files_->on_double_click = [this] { ChooseFile(true); };
  const LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE);
  SetWindowLongPtrW(hwnd(), GWL_STYLE, style & ~(WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

  double left = 0;
  double top = 0;
  if (environment_.main_place) environment_.main_place(left, top);
  SetGeometry(left + kBesideMainLeft, top + kBesideMainTop, kWidth, kHeight);

  wchar_t drives[512] = {};
  const DWORD length = GetLogicalDriveStringsW(511, drives);
  int drive_c = -1;
  for (const wchar_t* d = drives; length > 0 && *d; d += wcslen(d) + 1) {
    if ((d[0] == L'C' || d[0] == L'c') && drive_c < 0) drive_c = drives_->ListCount();
    drives_->AddItem(std::u16string(os::U16Ptr(d)));
  }
  SendMessageW(drives_->hwnd(), CB_SETCURSEL, static_cast<WPARAM>(drive_c), 0);

  pattern_ = PickerPattern(environment_.read_sound_box ? environment_.read_sound_box() : std::u16string(), pattern_);
  // The system's own media folder, the Windows folder + "\Media"; without it, drive C's current folder.
  wchar_t windows[MAX_PATH * 4] = {};
  const UINT windows_length = GetWindowsDirectoryW(windows, MAX_PATH * 4);
  const std::u16string windows_folder(os::U16Ptr(windows), windows_length < MAX_PATH * 4 ? windows_length : 0);
  const bool media = !windows_folder.empty() && IsFolder(ChildFolder(windows_folder, u"Media"));
  Navigate(PickerStartFolder(windows_folder, media, DriveFolder(u"C")));
}

void SoundPicker::Navigate(const std::u16string& folder) {
  hwnd();
  folder_ = folder;
  QuietDriveErrors quiet;
  std::vector<std::u16string> subfolders;
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW found{};
  const std::u16string every = PickedSoundPath(folder_, u"*");
  HANDLE search = FindFirstFileW(os::WidePtr(every.c_str()), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::u16string name(os::U16Ptr(found.cFileName));
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != u"." && name != u"..") subfolders.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  const std::u16string matching = PickedSoundPath(folder_, pattern_);
  search = FindFirstFileW(os::WidePtr(matching.c_str()), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(std::u16string(os::U16Ptr(found.cFileName)));
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  Fill(*folders_, std::move(subfolders));
  if (ParentFolder(folder_) != folder_) SendMessageW(folders_->hwnd(), LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(kParentEntry));
  Fill(*files_, std::move(names));
}

void SoundPicker::ChooseDrive() {
  const int index = drives_->ListIndex();
  if (index < 0) return;
  Navigate(DriveFolder(drives_->Item(index)));
}

void SoundPicker::EnterFolder() {
  const int index = folders_->ListIndex();
  if (index < 0) return;
  const std::u16string name = folders_->Item(index);
  Navigate(name == kParentEntry ? ParentFolder(folder_) : ChildFolder(folder_, name));
}

void SoundPicker::ChooseFile(bool close) {
  const int index = files_->ListIndex();
  if (index < 0) return;
  if (environment_.write_sound_box) environment_.write_sound_box(PickedSoundPath(folder_, files_->Item(index)));
  if (close) Unload();
}

}  // namespace tracker
