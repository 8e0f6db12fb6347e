// A data update: new data files written into the input method's data folder while text services keep the
// old ones mapped. Every file is checked before any is written, the user's own words move into the new
// main table, each file is written in place through config's own mapping under its writer lock, and a
// failure anywhere puts back every file already written.
#include <windows.h>

#include <shlobj.h>

#include <cstring>
#include <vector>

#include "config/app/command_line.h"
#include "config/app/config_context.h"
#include "config/app/config_context_win32.h"
#include "config/settings/library_settings_text_win32.h"
#include "config/settings/settings_export.h"
#include "config/tables/table_text.h"
#include "config/update/update_worker_win32.h"
#include "platform/os/folder_tree.h"
#include "platform/os/native_path.h"
#include "platform/os/whole_file.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/data_files.h"
#include "textservice/engine/engine_instance.h"
#include "textservice/engine/mapped_file.h"
#include "textservice/engine/settings_store.h"

namespace lz::config {
namespace {

constexpr std::uint32_t kDisplayVersionUnits = 96;

struct DataFile {
  std::u16string name;
  MappedFile* DataFileSet::*member;
};

const DataFile kDataFiles[] = {
    {u"config.dsc", &DataFileSet::config},   {u"main.dmg", &DataFileSet::main},
    {u"temp.dmg", &DataFileSet::temp},       {u"engl.dmg", &DataFileSet::engl},
    {u"sysl.dmg", &DataFileSet::sysl},       {u"danzi.dmi", &DataFileSet::danzi},
    {u"traditional.dms", &DataFileSet::traditional}, {u"simplified.dms", &DataFileSet::simplified},
    {u"dict.dms", &DataFileSet::dict},
};

bool ReadBytes(const std::u16string& path, std::vector<std::uint8_t>& bytes) {
  return os::ReadWholeFile(path.c_str(), bytes);
}

bool WriteBytes(const std::u16string& path, const std::vector<std::uint8_t>& bytes) {
  return os::ReplaceWholeFile(path.c_str(), bytes);
}

// Whether the file may be written now (not read-only, not locked against writers).
bool CanWrite(const std::u16string& path) {
  // A file the user marked read-only stays as it is, though config's own mapping could still write it.
  const DWORD attributes = GetFileAttributesW(os::WidePtr(path.c_str()));
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
  HANDLE file = CreateFileW(os::WidePtr(path.c_str()), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  CloseHandle(file);
  return true;
}

// The bytes go into the file through config's own mapping: other processes map the same file, so it can
// neither be replaced nor shrunk; a file that would shrink keeps its size with the rest zeroed.
bool WriteInPlace(MappedFile* file, const std::u16string& path, const std::vector<std::uint8_t>& bytes) {
  if (!file) return WriteBytes(path, bytes);
  ScopedFileWrite write(file);
  if (!write.ok()) return false;
  if (bytes.size() > static_cast<std::size_t>(file->size) &&
      ResizeMappedFile(static_cast<int>(bytes.size()), file) != static_cast<int>(bytes.size())) {
    return false;
  }
  std::memcpy(file->view, bytes.data(), bytes.size());
  std::memset(file->view + bytes.size(), 0, static_cast<std::size_t>(file->size) - bytes.size());
  return FlushMappedFile(file) != 0;
}

// The user's own words of the table now in use, carried into the new main table's bytes: exported as
// table text into the work folder, then imported as user words into a staged copy of the new table.
bool KeepUserWords(const MappedFile* current, const std::u16string& work_folder, std::vector<std::uint8_t>& bytes,
                   UpdateSink& sink) {
  if (!current) return true;
  const std::u16string word_file = work_folder + u"\\user_words.txt";
  TableExport request;
  request.class_filter = static_cast<std::int32_t>(code_table::kClassUser);
  const int exported = ExportTableText(request, current, word_file.c_str());
  if (exported < 0) {
    sink.Log(u"无法导出用户词条");
    return false;
  }
  if (exported == 0) {
    DeleteFileW(os::WidePtr(word_file.c_str()));
    return true;
  }
  const std::u16string staged = work_folder + u"\\staged_main.dmg";
  if (!WriteBytes(staged, bytes)) return false;
  MappedFile* table = nullptr;
  if (OpenMappedFile(staged.c_str(), &table) <= 0 || !table) return false;
  std::unique_ptr<TableImport> import = CreateTableImport();
  if (import) {
    import->import_class = code_table::kClassUser;
    // Words the new table holds already are refused by the import and need no second copy.
    ImportTableText(*import, table, word_file.c_str());
  }
  CloseMappedFile(table);
  if (!import || !ReadBytes(staged, bytes)) {
    sink.Log(u"无法保留用户词条");
    return false;
  }
  return true;
}

std::u16string Number(int value) {
  std::u16string text;
  for (char c : std::to_string(value)) text += static_cast<char16_t>(c);
  return text;
}

// As an upgrade of the installer does, the user's words and whole settings also go into the user's
// Documents folder, "[ <display name> ]", dated by the UTC day; a backup that cannot be made stops
// nothing.
void BackUpToDocuments(const ConfigContext& context, const std::u16string& word_file) {
  std::u16string name;
  if (!ReadDisplayName(context.class_id, name) || !IsPlainFileName(name)) return;
  wchar_t documents[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, 0, documents))) return;
  const std::wstring wide(documents);
  const std::u16string folder = std::u16string(wide.begin(), wide.end()) + u"\\[ " + name + u" ]\\";
  if (!os::CreateDirectoryTree(folder.c_str())) return;
  SYSTEMTIME today{};
  GetSystemTime(&today);
  const std::u16string date = u"(" + Number(today.wYear) + u"." + Number(today.wMonth) + u"." + Number(today.wDay) + u").txt";
  if (!word_file.empty()) {
    CopyFileW(os::WidePtr(word_file.c_str()), os::WidePtr((folder + u"导出 - 用户词条" + date).c_str()), FALSE);
  }
  SettingsTextOps* ops = NewLibrarySettingsTextOps(context.library);
  const ConfigBlocks& blocks = context.engine->blocks;
  ExportSettingsText(blocks.ime, blocks.dme, blocks.skin, ops, (folder + u"backup.config" + date).c_str());
  if (ops) ops->free(ops);
}

struct Planned {
  const DataFile* file;
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint8_t> old_bytes;
  bool existed = false;
};

void SetRegistryVersion(const std::u16string& key_path, const std::u16string& version) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, os::WidePtr(key_path.c_str()), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return;  // a key that cannot be had is skipped
  }
  // Stored without a terminating zero, as the installer writes its values.
  RegSetValueExW(key, L"DisplayVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                 static_cast<DWORD>(version.size() * sizeof(char16_t)));
  RegCloseKey(key);
}

}  // namespace

bool ApplyDataFiles(const ConfigContext& context, const std::u16string& source_folder, const std::u16string& work_folder,
                    UpdateSink& sink) {
  const std::u16string data = ReadDataLocation(context.class_id);
  if (data.empty() || !context.engine) return false;
  DataFileSet& files = context.engine->files;
  std::uint8_t identifier[16] = {};
  if (!context.engine->blocks.soft.Holds(soft_block::kIdentifier, 16)) return false;
  std::memcpy(identifier, context.engine->blocks.soft.data + soft_block::kIdentifier, 16);

  // 1. Every file of the package is read and checked before anything is written.
  std::vector<Planned> plan;
  for (const DataFile& file : kDataFiles) {
    const std::u16string source = source_folder + file.name;
    if (GetFileAttributesW(os::WidePtr(source.c_str())) == INVALID_FILE_ATTRIBUTES) continue;
    Planned planned{&file, {}, {}, false};
    if (!ReadBytes(source, planned.bytes)) {
      sink.Log(file.name + u": 无法读取");
      return false;
    }
    if (const auto reason = RefuseUpdateDataFile(file.name, planned.bytes, identifier)) {
      sink.Log(*reason);
      return false;
    }
    const std::u16string target = data + file.name;
    if (!CanWrite(target)) {
      sink.Log(file.name + u": 无法写入");
      return false;
    }
    plan.push_back(std::move(planned));
  }
  if (plan.empty()) {
    sink.Log(u"更新包中没有数据文件");
    return false;
  }

  // 2. The user's words go into the new main table; the files now in use are copied aside.
  const std::u16string aside = work_folder + u"\\previous\\";
  if (!os::CreateDirectoryTree(aside.c_str())) return false;
  for (Planned& planned : plan) {
    MappedFile* current = files.*(planned.file->member);
    if (planned.file->member == &DataFileSet::main && !KeepUserWords(current, work_folder, planned.bytes, sink)) {
      return false;
    }
    const std::u16string target = data + planned.file->name;
    planned.existed = ReadBytes(target, planned.old_bytes);
    if (planned.existed && !WriteBytes(aside + planned.file->name, planned.old_bytes)) return false;
  }

  BackUpToDocuments(context, GetFileAttributesW(os::WidePtr((work_folder + u"\\user_words.txt").c_str())) !=
                                     INVALID_FILE_ATTRIBUTES
                                 ? work_folder + u"\\user_words.txt"
                                 : std::u16string());

  // 3. Each file in place; on a failure the files written so far get their old bytes back.
  std::size_t written = 0;
  bool failed = false;
  for (; written < plan.size(); ++written) {
    const Planned& planned = plan[written];
    sink.Log(u"更新:" + planned.file->name);
    if (!WriteInPlace(files.*(planned.file->member), data + planned.file->name, planned.bytes)) {
      sink.Log(planned.file->name + u": 写入失败");
      failed = true;
      break;
    }
  }
  if (!failed) return true;
  for (std::size_t i = 0; i <= written && i < plan.size(); ++i) {
    const Planned& planned = plan[i];
    const std::u16string target = data + planned.file->name;
    if (planned.existed) {
      std::vector<std::uint8_t> old_bytes;
      if (!ReadBytes(aside + planned.file->name, old_bytes)) old_bytes = planned.old_bytes;
      WriteInPlace(files.*(planned.file->member), target, old_bytes);
    } else {
      DeleteFileW(os::WidePtr(target.c_str()));
    }
  }
  return false;
}

bool FinishDataUpdateOnWindowThread(ConfigContext& context, const std::u16string& class_id, const UpdateReply& reply) {
  DataFileSet& files = context.engine->files;
  for (const DataFile& file : kDataFiles) {
    if (MappedFile* mapped = files.*(file.member)) ReopenMappedFile(mapped);
  }
  if (!files.config || !files.main) return false;
  ConfigBlocks& blocks = context.engine->blocks;
  if (!FindConfigBlocks(ByteView{files.config->view, static_cast<std::uint32_t>(files.config->size)}, blocks)) {
    return false;
  }
  std::u16string version;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) version += u'.';
    const auto value = static_cast<unsigned>((reply.soft_version >> (16 * (3 - part))) & 0xFFFF);
    for (char c : std::to_string(value)) version += static_cast<char16_t>(c);
  }
  {
    ScopedFileWrite write(files.config);
    if (!write.ok()) return false;
    FindConfigBlocks(ByteView{files.config->view, static_cast<std::uint32_t>(files.config->size)}, blocks);
    WriteFieldText(blocks.soft, soft_block::kDisplayVersion, kDisplayVersionUnits, version);
    blocks.soft.WriteU32(soft_block::kDataVersion, static_cast<std::uint32_t>(reply.data_version));
    FlushMappedFile(files.config);
  }
  SetRegistryVersion(u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Q4" + class_id, version);
  SetRegistryVersion(u"Software\\LanzoIME4\\" + class_id, version);
  SetRegistryVersion(u"Software\\Wow6432Node\\LanzoIME4\\" + class_id, version);
  return true;
}

}  // namespace lz::config
