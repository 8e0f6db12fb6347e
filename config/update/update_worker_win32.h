#pragma once
// The work of the update dialog's two threads, apart from the window: starting a run, checking the
// server, and running the update the check found. What the user sees goes to a sink: the log box and the
// amount shown below it.
#include <cstdint>
#include <string>
#include <string_view>

#include "config/update/online_update.h"

namespace lz::config {

struct ConfigContext;

class UpdateSink {
 public:
  virtual ~UpdateSink() = default;
  // Appends text and a line break to the log.
  virtual void Log(std::u16string_view text) = 0;
  virtual void ClearLog() = 0;
  // The download or extraction amount (empty: cleared).
  virtual void Progress(std::u16string_view text) = 0;
  // Shows the message box of a start that failed.
  virtual void StartFailed() = 0;
  // Asks the window's thread to re-map the data files and write the new versions after a data update;
  // true when it did.
  virtual bool FinishDataUpdate(const UpdateReply& reply) = 0;
};

struct UpdateWorker {
  std::u16string class_id;     // braced, as config was given it
  std::u16string temp_folder;  // ends in a backslash
  std::u16string ime_name;
  UpdateReply reply;
  UpdateMode mode = UpdateMode::kNone;
  // The pause between two tries at clearing a work folder left over from an earlier run.
  std::uint32_t clear_pause_milliseconds = 1000;
};

inline constexpr char16_t kLogSeparator[] = u"\r\n-------------------------------------\r\n";
inline constexpr char16_t kUpdateFailed[] = u"\r\n更新失败\r\n";
inline constexpr char16_t kUpdateSucceeded[] = u"\r\n更新成功\r\n";

// Fills the worker for a run; false (with the reason logged) when there is no target or temp folder.
bool InitUpdateWorker(const ConfigContext& context, UpdateWorker& worker, UpdateSink& sink);

// Builds the query address, fetches the list and reads it into worker.reply. True when a version came.
bool CheckForUpdate(const ConfigContext& context, UpdateWorker& worker, UpdateSink& sink);

// The check thread's work: everything logged, worker.mode set.
void RunUpdateCheck(const ConfigContext& context, UpdateWorker& worker, UpdateSink& sink);

enum class UpdateRunEnd {
  kKeepDialog,        // finished or failed: the user reads the log
  kInstallerStarted,  // the new installer runs: the dialog closes
  kDataDone,          // a data update was tried: only closing is left
};

// The run thread's work after the user asked for the update (the mode of the last check).
UpdateRunEnd RunUpdate(const ConfigContext& context, UpdateWorker& worker, UpdateSink& sink);

// Unpacks a zip into folder: the whole archive is read and checked first (ReadZipEntries), then every
// member is written below folder; any member that cannot be written fails the extraction.
bool ExtractZipToFolder(const std::u16string& zip, const std::u16string& folder, UpdateSink* sink);

// Writes the data files of a data update into the input method's data folder: every file is checked
// first, the user's words are kept, files are written in place under their writer locks, and a failure
// puts back every file already written. The caller re-maps and writes the versions afterwards.
bool ApplyDataFiles(const ConfigContext& context, const std::u16string& source_folder,
                    const std::u16string& work_folder, UpdateSink& sink);

}  // namespace lz::config

namespace lz::config {

// After a data update, on the window's thread: maps all nine data files again, finds the settings blocks
// again, and writes the new version into the soft block and into the three registry keys that carry it.
bool FinishDataUpdateOnWindowThread(ConfigContext& context, const std::u16string& class_id, const UpdateReply& reply);

}  // namespace lz::config
