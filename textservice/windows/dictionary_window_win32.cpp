#include "textservice/windows/dictionary_window_win32.h"

#include <richedit.h>
#include <windowsx.h>

#include <algorithm>
#include <string>

#include "platform/os/native_path.h"
#include "platform/os/program_start.h"
#include "platform/os/work_area.h"
#include "textservice/engine/candidate_list.h"
#include "textservice/windows/candidate_layout.h"
#include "textservice/windows/candidate_window_win32.h"
#include "textservice/windows/dictionary_entry.h"
#include "textservice/windows/skin_drawing_win32.h"
#include "textservice/windows/ui_manager.h"
#include "textservice/windows/ui_state.h"

namespace lz {
namespace {

namespace area = dictionary_area;

constexpr UINT_PTR kCloseTimer = 1;
constexpr UINT kCloseMilliseconds = 500;
constexpr int kEditInset = 8;
constexpr int kEditBottomSpace = 38;
constexpr int kStripHeight = 20;  // the link strip and the resize corner
constexpr int kLinkHeight = 15;
constexpr int kFrameInset = 5;
constexpr int kMinimumWidth = 60;
constexpr int kMinimumHeight = 60;
constexpr COLORREF kFrameColour = RGB(0xA0, 0xA0, 0xA0);
constexpr COLORREF kLinkColour = RGB(0, 0, 0xFF);
constexpr wchar_t kLinkText[] = L"查看详细解释...";
constexpr wchar_t kFontFace[] = L"宋体";
constexpr LONG kEntryHeightTwips = 196;
constexpr LONG kEntryOffsetTwips = 60;
constexpr DWORD kEntryFormatMask = 0xFEFFFFFF;

// Per process: the fonts, the default size they give and the rich-edit library. Made once, on the first
// window of the process, and only read afterwards.
struct DictionaryResources {
  HFONT link_font = nullptr;
  HFONT text_font = nullptr;
  int default_width = 0;
  int default_height = 0;
  int character_height = 0;
  HMODULE rich_edit_library = nullptr;
};
DictionaryResources g_resources;
INIT_ONCE g_resources_once = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK MakeResources(PINIT_ONCE, PVOID, PVOID*) {
  constexpr int kFontHeight = -12;
  for (HFONT* font : {&g_resources.link_font, &g_resources.text_font}) {
    *font = CreateFontW(kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, kFontFace);
  }
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, g_resources.text_font);
  SIZE character{};
  GetTextExtentPoint32W(screen, L"国", 1, &character);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  g_resources.character_height = character.cy;
  g_resources.default_width = 14 * character.cx;
  g_resources.default_height = 17 * character.cy;
  g_resources.rich_edit_library = LoadLibraryW(L"Riched20.dll");
  return TRUE;
}

const DictionaryResources& Resources() {
  InitOnceExecuteOnce(&g_resources_once, MakeResources, nullptr, nullptr);
  return g_resources;
}

HWND DictionaryWindowOf(const EngineInstance* e) {
  return e && e->ui ? static_cast<HWND>(e->ui->dictionary_window) : nullptr;
}

std::int32_t AreaAt(HWND window, POINT p) {
  RECT client{};
  GetClientRect(window, &client);
  if (p.y < client.bottom - kStripHeight || p.y >= client.bottom) return area::kBody;
  return p.x >= client.right - kStripHeight ? area::kResizeCorner : area::kLink;
}

void SizeRichEdit(const DictionaryWindowState& d, int width, int height) {
  if (!d.rich_edit) return;
  MoveWindow(static_cast<HWND>(d.rich_edit), kEditInset, kEditInset, std::max(0, width - 2 * kEditInset),
             std::max(0, height - kEditBottomSpace), TRUE);
}

// The rich edit shows the text in the entry's own format: automatic colour off, 宋体 of 196 twips raised
// by 60, the caret at the start.
void FillRichEdit(HWND edit, const std::u16string& text) {
  SetWindowTextW(edit, os::WidePtr(text.c_str()));
  SendMessageW(edit, EM_SETSEL, 0, -1);
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  SendMessageW(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  format.cbSize = sizeof format;
  format.dwMask = kEntryFormatMask;
  format.dwEffects &= ~CFE_AUTOCOLOR;
  format.yHeight = kEntryHeightTwips;
  format.yOffset = kEntryOffsetTwips;
  lstrcpynW(format.szFaceName, kFontFace, LF_FACESIZE);
  SendMessageW(edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  SendMessageW(edit, EM_SETSEL, 0, 0);
}

void FillDictionaryWindow(EngineInstance* e, int place) {
  DictionaryWindowState& d = e->ui->dictionary;
  std::u16string output;
  std::u16string display;
  if (place >= 0 && place < e->page_item_count && place < kMaxPageItems) {
    display = e->page[place].text;
    const std::int32_t candidate = e->page[place].candidate;
    if (candidate >= 0 && candidate < e->candidate_count && !DropStaleCandidates(e)) {
      char16_t text[kPageTextUnits] = {};
      CandidateText(e->candidates[candidate], e, text);
      output = text;
    }
  }
  const DictionaryEntry entry = LookUpDictionaryEntry(e->files.dict, output, display);
  const std::size_t kept = std::min(entry.word.size(), std::size(d.word) - 1);
  std::copy_n(entry.word.begin(), kept, d.word);
  d.word[kept] = 0;
  if (d.rich_edit) {
    FillRichEdit(static_cast<HWND>(d.rich_edit), entry.found ? std::u16string(DictionaryBrief(entry.text)) : entry.word);
  }
}

void Paint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client{};
  GetClientRect(window, &client);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DrawFrameRect(kFrameColour, client, dc, kFrameColour);
  RECT inset = client;
  InflateRect(&inset, -kFrameInset, -kFrameInset);
  RECT link{inset.left, inset.bottom - kLinkHeight, inset.right, inset.bottom};
  HGDIOBJ old_font = SelectObject(dc, Resources().link_font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kLinkColour);
  DrawTextW(dc, kLinkText, -1, &link, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, old_font);
  HPEN pen = CreatePen(PS_SOLID, 1, kFrameColour);
  HGDIOBJ old_pen = SelectObject(dc, pen);
  for (int i = 0; i < 3; ++i) {
    MoveToEx(dc, inset.right, inset.bottom - kStripHeight + 5 * i, nullptr);
    LineTo(dc, inset.right - kStripHeight + 5 * i, inset.bottom);
  }
  MoveToEx(dc, inset.right, inset.bottom - 5, nullptr);
  LineTo(dc, inset.right - 5, inset.bottom);
  SelectObject(dc, old_pen);
  DeleteObject(pen);
  EndPaint(window, &paint);
}

void Drag(HWND window, DictionaryWindowState& d) {
  RECT now{};
  GetWindowRect(window, &now);
  const WindowBox box = DraggedWindowBox(d.press_x, d.press_y, now.right - now.left, now.bottom - now.top);
  SetWindowPos(window, HWND_TOPMOST, box.x, box.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

void Resize(HWND window, DictionaryWindowState& d, POINT p) {
  const int width = std::max(kMinimumWidth, d.width + static_cast<int>(p.x - d.press_x));
  const int height = std::max(kMinimumHeight, d.height + static_cast<int>(p.y - d.press_y));
  SetWindowPos(window, HWND_TOPMOST, 0, 0, width, height, SWP_NOMOVE | SWP_NOACTIVATE);
  SizeRichEdit(d, width, height);
  InvalidateRect(window, nullptr, TRUE);
}

void OpenFullEntry(const EngineInstance* e, const DictionaryWindowState& d) {
  const std::u16string file = std::u16string(e->install_folder) + u"config.exe";
  const std::u16string parameters = DictionaryLinkParameters(e->class_id_text, d.word);
  os::StartProgram(file.c_str(), parameters.c_str(), u"");
}

void OnLeftUp(HWND window, EngineInstance* e, DictionaryWindowState& d, POINT p) {
  if (d.pressed_area == area::kLink && AreaAt(window, p) == area::kLink) {
    OpenFullEntry(e, d);
  } else if (d.pressed_area == area::kResizeCorner) {
    RECT now{};
    GetWindowRect(window, &now);
    d.width = now.right - now.left;
    d.height = now.bottom - now.top;
  }
  d.pressed_area = area::kBody;
  ReleaseCapture();
}

void OnMouseMove(HWND window, DictionaryWindowState& d, WPARAM keys, POINT p) {
  if (keys & MK_LBUTTON) {
    if (d.pressed_area == area::kBody) Drag(window, d);
    if (d.pressed_area == area::kResizeCorner) Resize(window, d, p);
    return;
  }
  RECT client{};
  GetClientRect(window, &client);
  if (PtInRect(&client, p)) {
    KillTimer(window, kCloseTimer);
  } else {
    SetTimer(window, kCloseTimer, kCloseMilliseconds, nullptr);
    ReleaseCapture();
  }
}

}  // namespace

LRESULT CALLBACK DictWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    auto* e = static_cast<EngineInstance*>(create->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(e));
    const DictionaryResources& resources = Resources();
    if (e && e->ui && resources.rich_edit_library) {
      HWND edit = CreateWindowExW(0, L"RichEdit20W", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE, kEditInset,
                                  kEditInset, std::max(0, create->cx - 2 * kEditInset),
                                  std::max(0, create->cy - 3 * resources.character_height), window, nullptr,
                                  ThisModule(), nullptr);
      if (edit) SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(resources.text_font), FALSE);
      e->ui->dictionary.rich_edit = edit;
    }
    return 0;
  }
  EngineInstance* e = EngineOfWindow(window);
  UiState* ui = e ? e->ui : nullptr;
  switch (message) {
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_SETCURSOR: {
      // Disabled and never active: holding the mouse is how the window hears it.
      SetCapture(window);
      POINT p{};
      GetCursorPos(&p);
      ScreenToClient(window, &p);
      const std::int32_t at = AreaAt(window, p);
      SetCursor(LoadCursorW(nullptr, at == area::kResizeCorner ? IDC_SIZENWSE : at == area::kLink ? IDC_HAND : IDC_ARROW));
      return TRUE;
    }
    case WM_LBUTTONDOWN:
      if (ui) {
        const POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        ui->dictionary.press_x = p.x;
        ui->dictionary.press_y = p.y;
        ui->dictionary.pressed_area = AreaAt(window, p);
      }
      return 0;
    case WM_LBUTTONUP:
      if (ui) OnLeftUp(window, e, ui->dictionary, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      return 0;
    case WM_MOUSEMOVE:
      if (ui) OnMouseMove(window, ui->dictionary, wparam, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      return 0;
    case WM_TIMER:
      if (wparam == kCloseTimer) {
        KillTimer(window, kCloseTimer);
        DestroyWindow(window);
      }
      return 0;
    case WM_DESTROY:
      ShowWindow(window, SW_HIDE);
      if (ui && ui->dictionary_window == window) {
        ui->dictionary_window = nullptr;
        ui->dictionary.rich_edit = nullptr;
        ui->dictionary.shown_index = -1;
      }
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

void ShowDictionaryWindow(EngineInstance* e, int place) {
  if (!e || !e->ui) return;
  UiState* ui = e->ui;
  DictionaryWindowState& d = ui->dictionary;
  HWND window = static_cast<HWND>(ui->dictionary_window);
  if (window && d.shown_index == place) return;
  if (window) KillTimer(window, kCloseTimer);

  const DictionaryResources& resources = Resources();
  d.width = resources.default_width;
  d.height = resources.default_height;
  const CandidateWindowState& c = ui->candidate;
  DictionaryPlacementInput in;
  in.style = c.layout.style;
  in.candidate = c.box;
  CandidateContent content;
  CandidateContentOf(e, content);
  for (int slot = 0; slot < kCandidateSlots; ++slot) {
    const SkinHitRegion& word = c.layout.regions[static_cast<std::size_t>(candidate_region::kFirstWord + slot)];
    if (PagePlaceOfSlot(content, slot) == place) {
      in.region_x = word.x;
      in.region_y = word.y;
      break;
    }
  }
  in.width = d.width;
  in.height = d.height;
  os::WorkAreaAtPoint(c.box.x, c.box.y, in.work);
  const DictionaryPlace at = PlaceDictionaryWindow(in);

  if (!window) {
    HWND owner = ImmersiveOnWindows8(e) ? static_cast<HWND>(c.host) : nullptr;
    window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kDictionaryWindowClass, kDictionaryWindowTitle,
                             WS_POPUP | WS_DISABLED, at.x, at.y, d.width, d.height, owner, nullptr, ThisModule(), e);
    if (!window) return;
    ui->dictionary_window = window;
  }
  SetWindowPos(window, HWND_TOPMOST, at.x, at.y, d.width, d.height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  SizeRichEdit(d, d.width, d.height);
  d.shown_index = place;
  FillDictionaryWindow(e, place);
  InvalidateRect(window, nullptr, TRUE);
}

void ShowDictionaryFor(EngineInstance* e, int place) {
  if (!e || !e->files.dict || !e->ui) return;
  ShowDictionaryWindow(e, place);
}

void ScheduleDictionaryClose(EngineInstance* e) {
  if (HWND window = DictionaryWindowOf(e)) SetTimer(window, kCloseTimer, kCloseMilliseconds, nullptr);
}

void DestroyDictionaryWindow(EngineInstance* e) {
  if (HWND window = DictionaryWindowOf(e)) DestroyWindow(window);
}

}  // namespace lz
