#pragma once
// LZITFGetObject, the text-service library's one plain export, and the tables it hands out. The
// library, the configuration program, the installer and the tests all take the slot types from here:
// plain C types and one calling convention (WINAPI), so the x86 build, where a mismatch would break the
// stack, agrees on every side.
#include <windows.h>

extern "C" {

// Slot 0 of every table: frees the table; null is ignored.
typedef void(WINAPI* LzFreeOpsProc)(void* table);

// Kind 1. Create shows page 1..4 as a modeless child dialog of parent, editing the settings record
// (an engine instance with its block pointers set); returns the page, or null. Another page number
// creates nothing and returns the current page. Destroy(apply): with apply, the page is first sent
// WM_COMMAND IDOK, and a non-zero answer (the page refused its values) gives 0 with the page left in
// place; otherwise the page is destroyed and forgotten, and the result is 1 (also when there is none).
typedef HWND(WINAPI* LzSettingsDialogCreateProc)(HWND parent, int page, void* settings);
typedef int(WINAPI* LzSettingsDialogDestroyProc)(int apply);

struct LzSettingsDialogOps {
  LzFreeOpsProc free;
  LzSettingsDialogCreateProc create;
  LzSettingsDialogDestroyProc destroy;
};

// Kind 2. block is the start of a settings block (its size is the uint32 at its start); subKind 1 the
// dme block, 2 the skin block. Read applies one key=value pair (zero-terminated texts); Write puts the
// block's whole section body into buffer (capacity in UTF-16 units, terminator included) and returns
// the units written. Other sub-kinds do nothing and return subKind - 2.
typedef int(WINAPI* LzSettingsTextReadProc)(void* block, const wchar_t* key, const wchar_t* value, int subKind);
typedef int(WINAPI* LzSettingsTextWriteProc)(void* block, wchar_t* buffer, int capacity, int subKind);

struct LzSettingsTextOps {
  LzFreeOpsProc free;
  LzSettingsTextReadProc read;
  LzSettingsTextWriteProc write;
};

// Kind 4: a table of two slots, the second null.
struct LzEmptyOps {
  LzFreeOpsProc free;
  void* unused;
};

// kind 1 and 2 and 4 set *out to a new table and return 1; kind 3 sets it to null and returns 0 (this
// library offers no word-engine service); any other kind leaves *out alone and returns 1. Callers test
// the table, not only the result.
typedef int(WINAPI* LzItfGetObjectProc)(unsigned kind, void** out);

}  // extern "C"

namespace lz {

constexpr char kGetObjectExport[] = "LZITFGetObject";

constexpr unsigned kSettingsDialogObject = 1;
constexpr unsigned kSettingsTextObject = 2;
constexpr unsigned kWordEngineObject = 3;
constexpr unsigned kEmptyObject = 4;

// The pages' dialogs and the page numbers that show them.
constexpr int kImeOptionsPage = 1;
constexpr int kCodeOptionsPage = 2;
constexpr int kDisplayPage = 3;
constexpr int kSkinOptionsPage = 4;

// What page 4 asks of its parent window (lParam: a buffer of 260 units, or the path handed back).
constexpr UINT kAskSkinBaseFolder = WM_USER + 100;
constexpr UINT kAskSkinPathSetting = WM_USER + 101;
constexpr UINT kSkinPathEdited = WM_USER + 102;
// What every page tells its parent when config.dsc refused a change (the page keeps its controls as the
// user set them; the parent says that nothing was stored).
constexpr UINT kSettingsNotWritten = WM_USER + 103;

}  // namespace lz
