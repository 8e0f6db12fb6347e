#pragma once
// Registering the text service: its COM class in both registry views, its language profile with the
// Text Services Framework, and the TSF categories that fit the Windows version; and undoing all of it.
#include <windows.h>

#include <string>

#include "installer/file_placement_win32.h"
#include "platform/os/system_info.h"
#include "textservice/engine/byte_view.h"

namespace lz::installer {

// The categories the text service belongs to: six, and two more on Windows 6.2 and later.
constexpr int kBaseCategoryCount = 6;
constexpr int kAllCategoryCount = 8;
extern const GUID kTextServiceCategories[kAllCategoryCount];
int CategoryCountFor(const os::OsVersion& version);

// 1 when the class keys, the profile and the categories are registered; 0 when any of them failed, when
// no profiles manager can be created, or for a zero or malformed class identifier or an IMEName that is
// not a plain file name. A registration left from before is removed first, so a second run leaves one set.
int RegisterTextService(const std::u16string& class_identifier, ByteView soft, const SystemFolders& folders,
                        const os::OsVersion& version);

// The pieces of unregistration; each ignores what fails.
void DeleteTipKey(const std::u16string& class_identifier);
void MoveDefaultProfileAway(const std::u16string& class_identifier);
void UnregisterCategories(const std::u16string& class_identifier);
void DeleteClassKeys(const std::u16string& class_identifier);

// All four, in the order a removal takes them.
void UnregisterTextService(const std::u16string& class_identifier);

}  // namespace lz::installer
