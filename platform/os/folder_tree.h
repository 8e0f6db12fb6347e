#pragma once
// Making and removing whole folder trees: the installer creates its work, install and data folders level
// by level and removes them again; the settings pages create folders the same way.
#include <cstdint>

namespace os {

// The attribute bit that marks a folder, as Windows reports it; POSIX answers with the same bit.
constexpr std::uint32_t kFolderAttribute = 0x10;

// Creates every missing level of path (levels split at "\" and "/"). Returns the folder's attributes
// when path is a folder afterwards (never 0 then), else 0.
std::uint32_t CreateDirectoryTree(const char16_t* path);

// True when path names an existing folder (a link to a folder counts as the link, not a folder).
bool IsFolder(const char16_t* path);

struct TreeRemoval {
  bool removed = false;       // nothing of the tree is left
  int scheduled = 0;          // entries left for the next restart (Windows only)
};

// Deletes a folder with everything in it. Links and junctions met inside are removed themselves; what
// they point at is never entered. Read-only entries are made writable first. What cannot be deleted now
// is scheduled for deletion at the next restart when allow_delayed is set (Windows; deepest first so the
// folders follow their files). A path naming a link removes only the link.
TreeRemoval DeleteFolderTree(const char16_t* path, bool allow_delayed);

}  // namespace os
