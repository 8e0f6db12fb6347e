// The key functions a key (or a hot key, or a window's command) asks for, and the commands of the
// skinned windows and menus: most commands become a key-function mask run in a key session, so both
// roads meet in RunKeyFunctions.
#include <algorithm>
#include <iterator>
#include <new>

#include "platform/os/broker.h"
#include "platform/os/key_sender.h"
#include "platform/os/native_path.h"
#include "platform/os/system_info.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/candidate_commit.h"
#include "textservice/engine/candidate_list.h"
#include "textservice/engine/dme_block.h"
#include "textservice/engine/engine_actions.h"
#include "textservice/engine/ime_block.h"
#include "textservice/engine/input_editing.h"
#include "textservice/engine/key_names.h"
#include "textservice/engine/query.h"
#include "textservice/windows/candidate_window_win32.h"
#include "textservice/tsf/text_service.h"
#include "textservice/windows/soft_keyboard.h"
#include "textservice/windows/tip_timer.h"
#include "textservice/windows/ui_state.h"
#include "textservice/windows/ui_manager.h"

namespace lz {
namespace {

using namespace key_function;

constexpr std::uint64_t kRequery = ~std::uint64_t{0};
constexpr std::uint32_t kCandidateMenuHigh = 0x1000;
constexpr std::uint32_t kCustomHigh = 0xF0000000u;
constexpr BYTE kVkCapital = 0x14;
constexpr BYTE kCapsLockScan = 0x38;
constexpr BYTE kVkBack = 0x08;

std::uint32_t ImeU32(const EngineInstance* e, std::uint32_t offset) { return BlockU32(e->blocks.ime, offset); }

void SetImeU32(EngineInstance* e, std::uint32_t offset, std::uint32_t value) {
  e->blocks.ime.WriteU32(offset, value);
}

struct ConfigWord {
  std::uint32_t high;
  const char16_t* word;
};

constexpr ConfigWord kConfigWords[] = {
    {0x1, u""},
    {0x4, u"/do 关于"},
    {0x8, u"/do 按键设置"},
    {0x10, u"/do 输出反查"},
    {0x80, u"/do 剪贴板反查"},
    {0x8000, u"/do dict "},
    {0x20, u"/do 在线加词"},
    {0x2, u"/do 帮助首页"},
};

// Caps Lock would keep the letters from reaching the engine after a mode switch: switch it off, and
// let the filter skip the key that does it.
void ReleaseCapsLock(bool& skip_next_key) {
  if (!os::IsCapsLockOn()) return;
  skip_next_key = true;
  os::SendKeyEvent(kVkCapital, kCapsLockScan, 0);
  os::SendKeyEvent(kVkCapital, kCapsLockScan, os::kKeyEventUp);
}

}  // namespace

void TextService::ShowModeTip(const char16_t* text) {
  if (!engine_) return;
  POINT caret{};
  GetCaretPos(&caret);
  if (HWND window = FocusedViewWindow()) ClientToScreen(window, &caret);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const TipPoint at = ModeTipPoint(caret.x + 10, caret.y + 32, work.right, work.bottom);
  ShowTip(engine_, at.x, at.y, 0, text);
}

void TextService::SetPunctuationMode(bool english) {
  if (!engine_) return;
  DWORD conversion = GetConversionCompartment();
  if (english) {
    engine_->mode |= mode::kEnglishPunctuation;
    conversion &= ~tsf::TF_CONVERSIONMODE_SYMBOL;
  } else {
    engine_->mode &= ~mode::kEnglishPunctuation;
    conversion |= tsf::TF_CONVERSIONMODE_SYMBOL;
  }
  ShowModeTip(english ? u".," : u"。，");
  SetConversionCompartment(conversion);
  RefreshWindows();
}

void TextService::SetFullWidth(bool on) {
  if (!engine_) return;
  DWORD conversion = GetConversionCompartment();
  if (on) {
    engine_->mode |= mode::kFullWidth;
    SetImeU32(engine_, ime_block::kImeFlags, ImeU32(engine_, ime_block::kImeFlags) & ~ime_block::kTraditionalOutput);
    conversion |= tsf::TF_CONVERSIONMODE_FULLSHAPE;
  } else {
    engine_->mode &= ~mode::kFullWidth;
    conversion &= ~tsf::TF_CONVERSIONMODE_FULLSHAPE;
  }
  ShowModeTip(on ? u"全" : u"半");
  SetConversionCompartment(conversion);
  RefreshWindows();
}

void TextService::EndComposingForModeSwitch(ITfContext* context, TfEditCookie cookie) {
  EngineInstance* e = engine_;
  if (e->mode & mode::kComposingAfterCommit) EndContextComposition(context, cookie);
  if (!IsComposing(context)) return;
  if (ImeU32(e, ime_block::kBehaviourFlags) & ime_block::kSpaceCommitsEnglish) {
    CommitCandidate(context, cookie, static_cast<int>(kCommitEnglish));
  } else {
    EndContextComposition(context, cookie);
  }
}

void TextService::ToggleOpen(ITfContext* context, TfEditCookie cookie, bool open) {
  EndComposingForModeSwitch(context, cookie);
  SetImeOpen(engine_, open);
  SetOpenCompartment(open ? 1 : 0);
  RefreshWindows();
  UpdateModeState();
}

int TextService::RunKeyFunctions(ITfContext* context, TfEditCookie cookie, std::uint64_t mask) {
  EngineInstance* e = engine_;
  if (!e || mask == 0) return 0;
  const auto low = static_cast<std::uint32_t>(mask);
  const auto high = static_cast<std::uint32_t>(mask >> 32);
  const bool composing = IsComposing(context);

  if (mask == kRequery) {
    if (composing) UpdateCompositionFor(context, cookie, RunQuery(e));
    return 1;
  }
  if (high & kCandidateMenuHigh) {
    // The command in bits 0-15, the page place in bits 16-31.
    if (CandidateMenuCommand(e, FocusedViewWindow(), static_cast<int>(low >> 16), static_cast<int>(low & 0xFFFF))) {
      UpdateCompositionFor(context, cookie, RunQuery(e));
    }
    return 1;
  }
  if (low & kClearInput) {
    if (composing) {
      EndContextComposition(context, cookie);
    } else if (e->mode & mode::kSoftKeyboard) {
      e->mode &= ~mode::kSoftKeyboard;
      HideSoftKeyboardWindow(e);
    }
    return 1;
  }
  if (low & kToggleIme) {
    ReleaseCapsLock(skip_next_key_);
    ToggleOpen(context, cookie, !IsImeOpen());
    return 1;
  }
  if (low & kToggleEnglish) {
    ReleaseCapsLock(skip_next_key_);
    EndComposingForModeSwitch(context, cookie);
    ToggleChinese((e->mode & mode::kEnglish) != 0);
    return 1;
  }
  const std::uint32_t ime_flags = ImeU32(e, ime_block::kImeFlags);
  const char16_t* tip = nullptr;
  if (low & kRangeMainSecondary) {
    e->mode ^= mode::kSecondaryRetry;
    tip = (e->mode & mode::kSecondaryRetry) ? u"次" : u"常";
  } else if (low & kRangeMainMixed) {
    SetImeU32(e, ime_block::kImeFlags, ime_flags ^ ime_block::kAlwaysSearchSecondary);
    tip = (ime_flags & ime_block::kAlwaysSearchSecondary) ? u"主" : u"+次";
  } else if (low & kSchemeMainAuxiliary) {
    const bool main_now = !(ime_flags & ime_block::kSchemeMain);
    const std::uint32_t schemes = main_now ? ime_block::kSchemeMain : ime_block::kSchemeAuxiliary;
    SetImeU32(e, ime_block::kImeFlags,
              (ime_flags & ~(ime_block::kSchemeMain | ime_block::kSchemeAuxiliary)) | schemes);
    tip = main_now ? u"主" : u"辅";
  } else if (low & kSchemeMainMixed) {
    ToggleInputScheme(e);
    const std::uint32_t now = ImeU32(e, ime_block::kImeFlags);
    const std::uint32_t both = ime_block::kSchemeMain | ime_block::kSchemeAuxiliary;
    tip = (now & both) == both ? u"混" : u"主";
  }
  if (tip) {
    ShowModeTip(tip);
    if (composing) UpdateCompositionFor(context, cookie, RunQuery(e));
    return 1;
  }
  if (high & 0x4000) {
    SelectSoftKeyboard((e->ui ? e->ui->soft_keyboard.layout : 0) + 1, true);
    return 1;
  }
  if (high & kCustomHigh) return 1;
  if (high & 0x400) {
    const bool on = !(ime_flags & ime_block::kSimplifiedOutput);
    SetSimplifiedOutput(e, on);
    ShowModeTip(on ? u"简" : u"繁");
    RefreshWindows();
    return 1;
  }
  if (high & 0x800) {
    const bool on = !(ime_flags & ime_block::kTraditionalOutput);
    SetTraditionalOutput(e, on);
    ShowModeTip(on ? u"繁" : u"简");
    RefreshWindows();
    return 1;
  }
  if (high & 0x100) {
    SetImeU32(e, ime_block::kImeFlags, ime_flags ^ ime_block::kHideStatusWindow);
    if ((ime_flags & ime_block::kHideStatusWindow) && !activation_flags_) ShowStatusWindow(e);
    return 1;
  }
  if (high & 0x200) {
    SetImeU32(e, ime_block::kImeFlags, ime_flags ^ ime_block::kHideCandidateWindow);
    if (composing) PlaceCandidateWindow(context, cookie);
    return 1;
  }
  for (const ConfigWord& word : kConfigWords) {
    if (high & word.high) {
      if (composing) EndContextComposition(context, cookie);
      LaunchConfig(FocusedViewWindow(), word.word, e);
      return 1;
    }
  }

  if (composing) {
    const int n = static_cast<int>((low & kNumberMask) >> kNumberShift);
    if (low & kCommit) {
      CommitCandidate(context, cookie, n);
      return 1;
    }
    if (low & (kFrequency | kDelete)) {
      std::uint8_t lead = 0;
      e->blocks.dme.ReadU8(dme_block::kEnglishLeadKey, lead);
      if (lead && e->key_count > 0 && ToCodeKey(e->keys[0]) == lead) return 1;
      if (low & kFrequency) {
        MoveCandidateToFront(n, e);
      } else {
        const int place = (n == 0 || n == 13) ? e->paging.highlighted + 1 : (n == 12 ? e->page_item_count : n);
        if (place >= 1 && place <= e->page_item_count) {
          const int index = e->page[place - 1].candidate;
          if (index >= 0 && index < e->candidate_count) CandidateMenuCommand(e, nullptr, place - 1, 7);
        }
      }
      UpdateCompositionFor(context, cookie, RunQuery(e));
      return 1;
    }
    if (low & (kPageUp | kPageDown)) {
      if (low & kPageUp) {
        if (e->paging.previous) BuildPreviousPage(e);
      } else if (e->paging.more) {
        BuildNextPage(e);
      }
      if (ime_flags & ime_block::kInlineFirstCandidate) BuildCompositionString(e);
      UpdateComposition(context, cookie);
      PlaceCandidateWindow(context, cookie);
      return 1;
    }
    struct EditKey {
      std::uint64_t bit;
      int vk;
    };
    static constexpr EditKey kEditKeys[] = {{kCursorLeft, edit_key::kLeft},   {kCursorRight, edit_key::kRight},
                                            {kCursorHome, edit_key::kHome},   {kCursorEnd, edit_key::kEnd},
                                            {kDeleteBefore, edit_key::kBack}, {kDeleteAfter, edit_key::kDelete}};
    for (const EditKey& k : kEditKeys) {
      if (!(low & k.bit)) continue;
      const int result = HandleEditKey(k.vk, e);
      if (e->key_count == 0) {
        EndContextComposition(context, cookie);
      } else {
        UpdateCompositionFor(context, cookie, result);
      }
      return 1;
    }
    if (low & (kFirstForward | kFirstBackward)) {
      MoveSelection(e, (low & kFirstForward) ? -1 : 1);
      UpdateComposition(context, cookie);
      PlaceCandidateWindow(context, cookie);
      return 1;
    }
    return 0;
  }
  if (low & kRepeatInput) {
    RepeatLastCommit(context, cookie);
    return 1;
  }
  if (low & kUndoInput) {
    const int n = static_cast<int>(e->previous_commit.text_length);
    {
      const os::KeyActionScope action;
      for (int i = 0; i < n; ++i) {
        os::SendKeyEvent(kVkBack, 0, 0);
        os::SendKeyEvent(kVkBack, 0, os::kKeyEventUp);
      }
    }
    e->previous_commit.text_length = 0;
    e->previous_commit.text[0] = 0;
    return 1;
  }
  if (high & 0x2000) {
    ConfirmDeleteLastWord(e, FocusedViewWindow());
    return 1;
  }
  return 0;
}

// ---- commands of the windows and menus ----

namespace {

void KeySessionCallback(TextService& service, ITfContext* context, TfEditCookie cookie) {
  service.KeyEditSession(context, cookie);
}

void ClearInputCallback(TextService& service, ITfContext* context, TfEditCookie cookie) {
  service.ClearInputSession(context, cookie);
}

template <bool kChinese>
void SwitchLanguageCallback(TextService& service, ITfContext* context, TfEditCookie cookie) {
  service.SwitchLanguageSession(context, cookie, kChinese);
}

}  // namespace

void TextService::ClearInputSession(ITfContext* context, TfEditCookie cookie) { EndContextComposition(context, cookie); }

void TextService::SwitchLanguageSession(ITfContext* context, TfEditCookie cookie, bool chinese) {
  if (!engine_) return;
  EndComposingForModeSwitch(context, cookie);
  ToggleChinese(chinese);
}

void TextService::RunAsyncKeyMask(std::uint64_t mask) {
  SetCurrentKeyMask(mask);
  if (edit_sink_context_) RequestSession(edit_sink_context_, TF_ES_READWRITE, KeySessionCallback);
}

int TextService::RunUiCommand(int a, int b, int id) {
  EngineInstance* e = engine_;
  if (!e) return 0;
  wchar_t help[600];
  switch (id) {
    case 1:
      LaunchConfig(nullptr, u"", e);
      return 1;
    case 3:
      wsprintfW(help, L"/showurl 'mk:@MSITStore:%smain.chm::/%s' /showurlCX %d /showurlCY %d",
                os::WidePtr(e->install_folder), os::WidePtr(kKeyboardMapTopic), 600, 500);
      LaunchConfig(nullptr, os::U16Ptr(help), e);
      return 1;
    case 4:
      LaunchConfig(nullptr, u"/do about", e);
      return 1;
    case 5:
      LaunchConfig(nullptr, u"/do help", e);
      return 1;
    case 6:
    case 17:
    case 4096:
      return 1;
    case 8:
      LaunchConfig(nullptr, u"/do tianjiayonghuci", e);
      return 1;
    case 9:
      LaunchConfig(nullptr, u"/do update", e);
      return 1;
    case ui_command::kSelectCandidate:
      RunAsyncKeyMask(kCommit | (static_cast<std::uint64_t>(a & 0xF) << kNumberShift));
      return 1;
    case ui_command::kNextPage:
      RunAsyncKeyMask(kPageDown);
      return 1;
    case ui_command::kPreviousPage:
      RunAsyncKeyMask(kPageUp);
      return 1;
    case 259:
    case 260: {
      const bool chinese = id == 259;
      // Without a context to end the input in, the switch is made at once.
      const HRESULT requested =
          edit_sink_context_ ? RequestSession(edit_sink_context_, TF_ES_READWRITE,
                                              chinese ? SwitchLanguageCallback<true> : SwitchLanguageCallback<false>)
                             : E_FAIL;
      if (FAILED(requested)) ToggleChinese(chinese);
      return 1;
    }
    case 261:
      RunAsyncKeyMask(kToggleIme);
      return 1;
    case 262:
      ResetInput(e);
      if (edit_sink_context_) RequestSession(edit_sink_context_, TF_ES_READWRITE, ClearInputCallback);
      return 1;
    case 513:
      SelectSoftKeyboard(a, b != 0);
      return 1;
    case 514:
      RunAsyncKeyMask((static_cast<std::uint64_t>(kCandidateMenuHigh) << 32) |
                      (static_cast<std::uint32_t>(b) * 65536u + static_cast<std::uint32_t>(a & 0xFFFF)));
      return 1;
    case ui_command::kFullWidthOn:
    case ui_command::kFullWidthOff:
      SetFullWidth(id == ui_command::kFullWidthOn);
      return 1;
    case ui_command::kEnglishPunctuation:
    case 8199:
      SetPunctuationMode(true);
      return 1;
    case ui_command::kChinesePunctuation:
      SetPunctuationMode(false);
      return 1;
    case 8197:
      SetTraditionalOutput(e, !(ImeU32(e, ime_block::kImeFlags) & ime_block::kTraditionalOutput));
      RefreshWindows();
      return 1;
    case 8198:
      SetSimplifiedOutput(e, !(ImeU32(e, ime_block::kImeFlags) & ime_block::kSimplifiedOutput));
      RefreshWindows();
      return 1;
    case 8201:
      SetImeU32(e, ime_block::kImeFlags, ImeU32(e, ime_block::kImeFlags) ^ ime_block::kHideStatusWindow);
      // The button comes back with the status bar as the flag now says.
      AddLanguageBarButton();
      return 1;
    case 8208:
    case 8209: {
      std::uint32_t flags = ImeU32(e, ime_block::kImeFlags);
      if (id == 8208) {
        flags &= ~(ime_block::kSchemeMain | ime_block::kSchemeAuxiliary);
        flags |= a == 0 ? (ime_block::kSchemeMain | ime_block::kSchemeAuxiliary)
                        : (a == 1 ? ime_block::kSchemeMain : ime_block::kSchemeAuxiliary);
      } else {
        flags &= ~(ime_block::kAlwaysSearchSecondary | ime_block::kSearchSecondaryWhenEmpty);
        if (a == 0) flags |= ime_block::kAlwaysSearchSecondary;
        if (a != 0 && a != 1) flags |= ime_block::kSearchSecondaryWhenEmpty;
      }
      SetImeU32(e, ime_block::kImeFlags, flags);
      RunAsyncKeyMask(kRequery);
      return 1;
    }
    default:
      return 0;
  }
}

// ---- the on-screen keyboard ----

void TextService::SelectSoftKeyboard(int layout, bool explicit_choice) {
  EngineInstance* e = engine_;
  if (!e || !e->ui) return;
  if (edit_sink_context_) RequestSession(edit_sink_context_, TF_ES_READWRITE, ClearInputCallback);
  SoftKeyboardWindowState& k = e->ui->soft_keyboard;
  std::fill(std::begin(k.labels), std::end(k.labels), u'\0');
  if (layout < 0 || (layout == 0 && !explicit_choice)) {
    layout = (e->mode & mode::kSoftKeyboard) ? 0 : e->ui->remembered_soft_keyboard_layout;
  }
  const SoftKeyboardMap* map = SoftKeyboardLayout(layout);
  if (!map) {
    e->mode &= ~mode::kSoftKeyboard;
    k.layout = 0;
    HideSoftKeyboardWindow(e);
    DestroySoftKeyboardWindow(e);
  } else {
    e->mode |= mode::kSoftKeyboard;
    std::copy(map->begin(), map->end(), k.labels);
    k.layout = layout;
    e->ui->remembered_soft_keyboard_layout = layout;
    ShowSoftKeyboardWindow(e);
  }
  RefreshWindows();
}

char16_t TextService::SoftKeyboardCharacterFor(std::uint32_t virtual_key, bool shifted) const {
  const EngineInstance* e = engine_;
  if (!e || !e->ui || !(e->mode & mode::kSoftKeyboard)) return 0;
  const SoftKeyboardMap* map = SoftKeyboardLayout(e->ui->soft_keyboard.layout);
  if (!map) return 0;
  return SoftKeyboardCharacter(*map, SoftKeyboardSlotOfVirtualKey(virtual_key), shifted);
}

}  // namespace lz
