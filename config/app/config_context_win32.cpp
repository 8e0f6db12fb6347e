#include "config/app/config_context_win32.h"

#include <new>
#include <string>

#include "config/app/config_context.h"
#include "platform/os/message_box.h"
#include "platform/os/native_path.h"
#include "textservice/engine/class_identifier.h"

namespace lz::config {
namespace {

void CopyText(char16_t* out, std::size_t units, std::u16string_view text) {
  const std::size_t n = text.size() < units - 1 ? text.size() : units - 1;
  text.copy(out, n);
  out[n] = 0;
}

void ReadProgramPath(ConfigContext& context) {
  wchar_t path[kMaxPathUnits] = {};
  GetModuleFileNameW(nullptr, path, kMaxPathUnits);
  path[kMaxPathUnits - 1] = 0;
  std::u16string text = os::U16Ptr(path);
  for (char16_t& c : text) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + (u'a' - u'A'));
  }
  CopyText(context.program_path, kMaxPathUnits, text);
  const std::size_t slash = text.find_last_of(u'\\');
  CopyText(context.program_name, kProgramNameChars, slash == std::u16string::npos ? text : text.substr(slash + 1));
}

std::u16string SystemFolder() {
  wchar_t folder[kMaxPathUnits] = {};
  const UINT length = GetSystemDirectoryW(folder, kMaxPathUnits);
  return length == 0 || length >= kMaxPathUnits ? std::u16string() : std::u16string(os::U16Ptr(folder));
}

}  // namespace

ConfigContext* OpenConfigContext(const char16_t* class_id_text, std::int64_t (*boot_stamp)()) {
  std::uint8_t id[16];
  if (!class_id_text || !ParseClassIdentifier(class_id_text, id)) return nullptr;
  auto* context = new (std::nothrow) ConfigContext;
  if (!context) return nullptr;
  ReadProgramPath(*context);
  CopyText(context->class_id, kClassIdentifierUnits, class_id_text);
  context->setup.class_identifier = context->class_id;
  context->setup.boot_stamp = boot_stamp;
  // Registry entry, data files, identity checks, blocks and the per-boot clearing, without windows.
  context->engine = CreateEngineInstance(context->setup);
  if (!context->engine) {
    CloseConfigContext(context);
    return nullptr;
  }
  const std::u16string path = SystemDllPath(SystemFolder(), context->engine->ime_name);
  if (!path.empty()) context->library = LoadLibraryW(os::WidePtr(path.c_str()));
  if (!context->library) {
    CloseConfigContext(context);
    return nullptr;
  }
  return context;
}

void CloseConfigContext(ConfigContext* context) {
  if (!context) return;
  if (context->library) FreeLibrary(context->library);
  context->library = nullptr;
  if (context->engine) DestroyEngineInstance(context->engine, context->setup);
  context->engine = nullptr;
  delete context;
}

void ReportRefusedWrite(ConfigContext* context, HWND owner) {
  if (!context || context->write_refusal_reported) return;
  context->write_refusal_reported = true;
  ReportTableNotWritten(owner);
}

void ReportTableNotWritten(HWND owner) { os::ShowMessageBox(owner, kNotWrittenText, u"配置程序", MB_ICONERROR); }

}  // namespace lz::config
