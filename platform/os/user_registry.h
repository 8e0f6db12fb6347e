#pragma once
// String values under the current user's registry key (the run-at-log-on value of the time tracker).
// POSIX builds keep them in an in-process store that tests read back.
#include <string>

namespace os {

// Creates the key when needed. False when the key or value could not be written.
bool SetUserString(const char16_t* key_path, const char16_t* value_name, const char16_t* data);
// False when the key or value is missing or not a string.
bool ReadUserString(const char16_t* key_path, const char16_t* value_name, std::u16string& out);
// True when the value is gone afterwards.
bool DeleteUserValue(const char16_t* key_path, const char16_t* value_name);

}  // namespace os
