#pragma once
// config's context: the engine instance of the installed input method (its files and blocks, used in
// place as the text service sees them), config's own program path, and the input method's library,
// loaded from the system folder, whose LZITFGetObject gives the settings pages and texts.
#include <windows.h>

#include <cstdint>

#include "textservice/engine/engine_instance.h"

namespace lz::config {

constexpr int kProgramNameChars = 64;

struct ConfigContext {
  EngineInstance* engine = nullptr;
  EngineSetup setup;
  char16_t class_id[kClassIdentifierUnits] = {};
  char16_t program_path[kMaxPathUnits] = {};  // ASCII letters made small
  char16_t program_name[kProgramNameChars] = {};
  HMODULE library = nullptr;
  bool write_refusal_reported = false;  // a refused write of config.dsc has been reported this run
};

// The context on the input method with this class identifier text, or null (with nothing left open)
// when the text is no class identifier, the registry entry, data files, identity checks or blocks do not
// agree, the IMEName is no plain file name, or the library does not load. boot_stamp: null for the
// system's.
ConfigContext* OpenConfigContext(const char16_t* class_id_text, std::int64_t (*boot_stamp)() = nullptr);
void CloseConfigContext(ConfigContext* context);

// A change that config.dsc refused (a store that could only be read as a copy) is reported, once a run:
// every later change meets the same refusal, and the windows keep showing what is stored.
void ReportRefusedWrite(ConfigContext* context, HWND owner);
// A change of a code table that could not be written (a table open only as a copy, a lock that can't be
// had, a file that can't grow) is reported every time: each is an action of its own that the user asked for.
void ReportTableNotWritten(HWND owner);

}  // namespace lz::config
