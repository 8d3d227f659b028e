#pragma once
// Path rules shared by the commands, and the add-in's storage folder under the user's temporary folder.

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace commands {

// The long form of the path (the path itself when it does not exist), ending in one backslash.
std::wstring GetLongFolderPath(const platform::Platform& platform, std::wstring path);

// What follows the last backslash; empty when there is none or the path ends with one.
std::wstring GetFileNameFromPath(const std::wstring& path);

// The storage folder "<temporary folder>\<message 155 without its last character>\", created
// with its base when missing. lLen receives the length of the temporary folder's long form.
std::wstring GetFileStorageLocation(const platform::Platform& platform, std::int32_t& lLen);

}  // namespace commands
