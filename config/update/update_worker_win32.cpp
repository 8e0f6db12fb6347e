#include "config/update/update_worker_win32.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "config/app/config_context.h"
#include "config/app/config_context_win32.h"
#include "config/app/text_file.h"
#include "config/update/update_download_win32.h"
#include "platform/os/folder_tree.h"
#include "platform/os/native_path.h"
#include "platform/os/network_adapters.h"
#include "platform/os/program_signature.h"
#include "platform/os/program_start.h"
#include "platform/os/system_info.h"
#include "platform/os/temp_folder.h"
#include "platform/os/whole_file.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/engine_instance.h"
#include "textservice/engine/settings_store.h"
#include "textservice/skin/zip_entry_table.h"

namespace lz::config {
namespace {

constexpr std::uint32_t kUpdateTemplateUnits = 512;
constexpr std::size_t kTempPathUnits = 260;
constexpr std::size_t kImeNameUnits = 64;
constexpr std::size_t kDisplayVersionUnits = 32;
constexpr int kClearTries = 10;

bool Exists(const std::u16string& path) { return GetFileAttributesW(os::WidePtr(path.c_str())) != INVALID_FILE_ATTRIBUTES; }

struct ProgressTarget {
  UpdateSink* sink;
};

void ShowDownloadProgress(std::uint64_t bytes, void* context) {
  auto* target = static_cast<ProgressTarget*>(context);
  if (const auto text = ProgressText(u"下载", bytes)) target->sink->Progress(*text);
}

// The name of a member as the archive stores it (the system's ANSI code page), as UTF-16.
std::u16string MemberName(const char* name) {
  const int length = static_cast<int>(std::strlen(name));
  if (length == 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  const int units = MultiByteToWideChar(CP_ACP, 0, name, length, wide.data(), length);
  if (units <= 0) return {};
  wide.resize(static_cast<std::size_t>(units));
  return std::u16string(wide.begin(), wide.end());
}

// File names match without regard to case in the system's own upper-casing, which reaches past ASCII.
void FoldAsTheFileSystem(std::u16string& name) {
  if (!name.empty()) CharUpperBuffW(reinterpret_cast<wchar_t*>(name.data()), static_cast<DWORD>(name.size()));
}

bool ClearWorkFolder(const UpdateWorker& worker, const std::u16string& folder) {
  for (int tries = 0; tries < kClearTries; ++tries) {
    if (!Exists(folder)) return true;
    RemoveUpdateWorkFolder(folder, worker.temp_folder, worker.class_id);
    if (worker.clear_pause_milliseconds) Sleep(worker.clear_pause_milliseconds);
  }
  return !Exists(folder);
}

// The new installer of a program update: started only when it is there and its signature holds.
bool StartInstaller(const std::u16string& work_folder, UpdateSink& sink) {
  const std::u16string setup = work_folder + u"\\setup.exe";
  if (!Exists(setup)) {
    sink.Log(u"更新包中没有安装程序");
    return false;
  }
  const os::SignatureCheck check = os::CheckProgramSignature(setup.c_str());
  if (!check.trusted) {
    sink.Log(u"安装程序未通过数字签名检查: " + check.reason);
    return false;
  }
  return os::StartProgram(setup.c_str(), nullptr, work_folder.c_str());
}

void LogFailedDownload(const std::u16string& status, UpdateSink& sink) {
  if (!status.empty()) sink.Log(status);
  sink.Log(kUpdateFailed);
}

}  // namespace

bool InitUpdateWorker(const ConfigContext& context, UpdateWorker& worker, UpdateSink& sink) {
  worker.class_id = context.class_id;
  if (worker.class_id.empty()) {
    sink.Log(u"未知的更新目标");
    return false;
  }
  char16_t temp[kTempPathUnits] = {};
  if (os::TempFolderPath(temp, kTempPathUnits) == 0) {
    sink.Log(u"获取系统临时路径失败");
    return false;
  }
  worker.temp_folder = temp;
  if (worker.temp_folder.back() != u'\\') worker.temp_folder += u'\\';
  char16_t name[kImeNameUnits] = {};
  const std::u16string key = u"Software\\LanzoIME4\\" + worker.class_id + u"\\";
  if (os::ReadMachineString(key.c_str(), u"IMEName", name, kImeNameUnits)) worker.ime_name = name;
  return true;
}

bool CheckForUpdate(const ConfigContext& context, UpdateWorker& worker, UpdateSink& sink) {
  worker.reply = UpdateReply{};
  const ByteView soft = context.engine->blocks.soft;
  const std::u16string query_template = ReadFieldText(soft, soft_block::kUrlUpdateInfo, kUpdateTemplateUnits);
  if (query_template.empty()) {
    sink.Log(u"当前软件尚未支持更新功能。");
    return false;
  }
  QueryValues values;
  std::u16string version;
  ReadDisplayVersion(worker.class_id, version);
  values.version = version.substr(0, kDisplayVersionUnits - 1);
  values.class_id = worker.class_id;
  values.machine = MachineIdentifier(os::ListAdapterAddresses());
  std::uint32_t data_version = 0;
  soft.ReadU32(soft_block::kDataVersion, data_version);
  values.data_version = static_cast<std::int32_t>(data_version);
  const std::u16string address = FillQueryTemplate(query_template, values);

  const std::u16string list_file = worker.temp_folder + u"update_list.txt";
  std::u16string status;
  if (!DownloadToFile(address, list_file, kMaxUpdateListBytes, nullptr, nullptr, status)) {
    if (!status.empty()) sink.Log(status);
    return false;
  }
  std::u16string text;
  if (ReadTextFile(list_file.c_str(), text) != kTextFileRead) return false;
  const std::unique_ptr<XmlNode> tree = ParseXmlText(text);
  if (!tree) return false;
  const std::optional<UpdateReply> reply = ReadUpdateList(*tree);
  if (!reply) return false;
  worker.reply = *reply;
  return true;
}

void RunUpdateCheck(const ConfigContext& context, UpdateWorker& worker, UpdateSink& sink) {
  worker.mode = UpdateMode::kNone;
  sink.ClearLog();
  sink.Log(u"\r\n-------------------------------------\r\n正在检查更新, 请稍候...\r\n");
  if (!CheckForUpdate(context, worker, sink)) {
    sink.Log(u"\r\n无法连接到更新服务器\r\n");
    return;
  }
  const ByteView soft = context.engine->blocks.soft;
  std::uint32_t software_number = 0;
  std::uint32_t data_version = 0;
  soft.ReadU32(soft_block::kSoftwareNumber, software_number);
  soft.ReadU32(soft_block::kDataVersion, data_version);
  worker.mode = DecideUpdateMode(software_number, data_version, worker.reply);
  sink.Log(CheckResultText(worker.mode, data_version, worker.reply));
}

bool ExtractZipToFolder(const std::u16string& zip, const std::u16string& folder, UpdateSink* sink) {
  const std::unique_ptr<ZipEntryTable> table = ReadZipEntries(zip.c_str());
  if (!table || folder.empty()) return false;
  std::uint64_t total = 0;
  std::vector<std::u16string> names;
  for (const ZipEntry& entry : table->entries) {
    total += entry.size();
    names.push_back(MemberName(entry.name));
  }
  // Two names the file system takes for one file would leave whichever came last: nothing is written.
  if (ZipNamesCollide(names, FoldAsTheFileSystem)) return false;
  std::uint64_t done = 0;
  for (const ZipEntry& entry : table->entries) {
    // The reader refused every name that could leave the folder; what is left is relative.
    std::u16string name = MemberName(entry.name);
    if (name.empty()) return false;
    for (char16_t& c : name) {
      if (c == u'/') c = u'\\';
    }
    std::u16string path = folder;
    if (path.back() != u'\\') path += u'\\';
    path += name;
    if (path.back() == u'\\') {
      if (!os::CreateDirectoryTree(path.c_str())) return false;
      continue;
    }
    const std::size_t last = path.rfind(u'\\');
    if (!os::CreateDirectoryTree(path.substr(0, last).c_str())) return false;
    if (!os::ReplaceWholeFile(path.c_str(), entry.data)) return false;
    done += entry.size();
    if (sink) {
      if (const auto text = ProgressText(u"完成", done)) sink->Progress(*text);
    }
  }
  if (sink) {
    if (const auto text = ProgressText(u"完成", total)) sink->Progress(*text);
  }
  return true;
}

UpdateRunEnd RunUpdate(const ConfigContext& context, UpdateWorker& worker, UpdateSink& sink) {
  sink.ClearLog();
  sink.Log(u"\r\n-------------------------------------\r\n开始更新操作, 请稍候...\r\n");
  const std::u16string work_folder = UpdateWorkFolder(worker.temp_folder, worker.class_id);
  UpdateRunEnd end = UpdateRunEnd::kKeepDialog;
  bool remove_work_folder = true;
  if (!ClearWorkFolder(worker, work_folder)) {
    sink.Log(u"\r\n更新失败. 请确认程序对临时目录的写入权限.\r\n");
  } else if (os::CreateDirectoryTree(work_folder.c_str())) {
    const std::u16string zip = work_folder + u"\\temp.zip";
    ProgressTarget target{&sink};
    std::u16string status;
    if (Exists(zip) || worker.mode == UpdateMode::kNone) {
      // Nothing to do: a package may only come from this run's download.
    } else if (worker.mode == UpdateMode::kProgram) {
      if (!DownloadToFile(worker.reply.soft_url, zip, kMaxUpdatePackageBytes, ShowDownloadProgress, &target, status)) {
        LogFailedDownload(status, sink);
      } else {
        sink.Progress(u"");
        if (!ExtractZipToFolder(zip, work_folder, &sink)) {
          sink.Log(u"\r\n解压文件发生错误\r\n");
        } else if (StartInstaller(work_folder, sink)) {
          sink.Log(kUpdateSucceeded);
          // The installer runs from the work folder; the next run clears it.
          remove_work_folder = false;
          end = UpdateRunEnd::kInstallerStarted;
        } else {
          sink.Log(kUpdateFailed);
        }
        DeleteFileW(os::WidePtr(zip.c_str()));
      }
    } else {
      if (!DownloadToFile(worker.reply.data_url, zip, kMaxUpdatePackageBytes, ShowDownloadProgress, &target, status)) {
        LogFailedDownload(status, sink);
      } else {
        sink.Progress(u"");
        if (!ExtractZipToFolder(zip, work_folder, &sink)) {
          sink.Log(u"\r\n解压文件发生错误\r\n");
          DeleteFileW(os::WidePtr(zip.c_str()));
        } else {
          const std::u16string source = work_folder + u"\\$dataFiles$\\";
          const bool applied = ApplyDataFiles(context, source, work_folder, sink) && sink.FinishDataUpdate(worker.reply);
          sink.Log(applied ? kUpdateSucceeded : kUpdateFailed);
          end = UpdateRunEnd::kDataDone;
        }
      }
    }
  } else {
    sink.Log(u"\r\n更新失败. 请确认程序对临时目录的写入权限.\r\n");
  }
  sink.Log(kLogSeparator);
  if (remove_work_folder) RemoveUpdateWorkFolder(work_folder, worker.temp_folder, worker.class_id);
  return end;
}

}  // namespace lz::config
