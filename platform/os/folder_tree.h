#pragma once
// Making and removing whole folder trees: the installer creates its work, install and data folders level
// by level and removes them again; the settings pages create folders the same way.
#include <cstdint>
#include <string>
#include <string_view>

namespace os {

// The attribute bit that marks a folder, as Windows reports it; POSIX answers with the same bit.
constexpr std::uint32_t kFolderAttribute = 0x10;

// Creates every missing level of path (levels split at "\" and "/"). Returns the folder's attributes
// when path is a folder afterwards (never 0 then), else 0.
std::uint32_t CreateDirectoryTree(const char16_t* path);

// True when path names an existing folder (a link to a folder counts as the link, not a folder).
bool IsFolder(const char16_t* path);

// The n-th name a file that cannot be deleted or replaced is moved aside to:
// "<path without extension><n>.<extension>", or "<path><n>" for a name without an extension (a dot in a
// folder name is not an extension). The aside name is what gets scheduled for deletion at restart, so a
// new file put under the original name before the restart survives it.
std::u16string AsideName(std::u16string_view path, int n);

struct TreeRemoval {
  bool removed = false;       // nothing of the tree is left
  int scheduled = 0;          // entries left for the next restart (Windows only)
};

// Deletes a folder with everything in it. Links and junctions met inside are removed themselves; what
// they point at is never entered. Read-only entries are made writable first. What cannot be deleted now
// is moved aside and scheduled for deletion at the next restart when allow_delayed is set (Windows;
// deepest first so the folders follow their files; a folder that is not empty then stays). A path naming a link removes only the link.
TreeRemoval DeleteFolderTree(const char16_t* path, bool allow_delayed);

// Schedules path to be deleted at the next restart (target null) or to replace target then. The pending
// operation names the files as the restart itself resolves them: the session manager is a process of
// the machine's own width that sees no file-system redirection and no "Sysnative", so a path this
// process reaches through either is written under the folder it really lands in. False when nothing
// was scheduled (and always on POSIX, which has no restart operations).
bool ScheduleAtRestart(const char16_t* path, const char16_t* target = nullptr);

}  // namespace os
