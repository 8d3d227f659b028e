#include "platform/win32/win32_file_system.h"

#include <windows.h>

#include "platform/com_error.h"
#include "platform/growing_buffer.h"
#include "platform/local_share.h"
#include "platform/stream_suffix.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_folder_listing.h"
#include "platform/win32/win32_folder_removal.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_this_machine.h"

namespace platform::win32 {
namespace {

// Should a caller's path lead to a pipe after all, its server may learn who the user is but never
// act as the user.
constexpr DWORD kIdentifyOnly = SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;

}  // namespace

bool Win32FileSystem::folderExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32FileSystem::fileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void Win32FileSystem::createFolder(const std::wstring& path) {
  if (!CreateDirectoryW(path.c_str(), nullptr)) throw errorFromWin32(GetLastError(), path);
}

std::vector<std::wstring> Win32FileSystem::subFolderNames(const std::wstring& path) {
  existingFolder(path);  // raises 76 for a missing folder
  std::vector<std::wstring> names;
  for (FolderEntry& entry : folderEntries(path)) {
    if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) names.push_back(std::move(entry.name));
  }
  return names;
}

void Win32FileSystem::deleteFolder(const std::wstring& path) {
  removeFolderTree(existingFolder(path));
}

std::uint32_t Win32FileSystem::attributes(const std::wstring& path) {
  const DWORD bits = GetFileAttributesW(path.c_str());
  if (bits == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = GetLastError();
    // The caller asks about a file: a missing folder on its way means the file is not there.
    if (code == ERROR_PATH_NOT_FOUND) throw ComError::automation(errors::kFileNotFound);
    throw errorFromWin32(code, path);
  }
  return bits;
}

bool Win32FileSystem::canOpenForWriting(const std::wstring& path) noexcept {
  // A read-only file is not writable whoever asks (an administrator's handle, or Wine running as
  // root, could open it all the same).
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    return false;
  }
  // No sharing: a file that another program has open, for reading or writing, fails here.
  const UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | kIdentifyOnly, nullptr));
  return file && GetFileType(file.get()) == FILE_TYPE_DISK;
}

std::wstring Win32FileSystem::canonicalPath(const std::wstring& path) {
  const std::wstring finalPath = finalPathOf(path);
  // A share of this machine reached through the network stands for a local folder, which is what
  // the caller's rules are about.
  Win32ThisMachine thisMachine;
  if (const auto local = localPathOfUncPath(finalPath, thisMachine)) return finalPathOf(*local);
  return finalPath;
}

std::wstring Win32FileSystem::finalPathOf(const std::wstring& path) {
  // Neither read nor write access: the host keeps its document open, often sharing it with no
  // one, and no sharing mode refuses a handle that only reads attributes. Backup semantics let a
  // folder open too, so that the caller learns it is a folder rather than meeting access denied.
  const UniqueFile file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | kIdentifyOnly, nullptr));
  if (!file) {
    const DWORD code = GetLastError();
    // The caller asks about a file: a missing folder on its way means the file is not there.
    throw code == ERROR_PATH_NOT_FOUND ? ComError::automation(errors::kFileNotFound) : errorFromWin32(code, path);
  }
  if (GetFileType(file.get()) != FILE_TYPE_DISK) throw ComError::automation(errors::kPathFileAccessError);
  DWORD failure = ERROR_SUCCESS;
  const auto reported = fetchGrowing(MAX_PATH, [&](wchar_t* buffer, std::uint32_t capacity) -> std::uint32_t {
    const DWORD result = GetFinalPathNameByHandleW(file.get(), buffer, capacity, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (result == 0) failure = GetLastError();
    return result;
  });
  if (!reported) throw errorFromWin32(failure == ERROR_SUCCESS ? ERROR_INSUFFICIENT_BUFFER : failure, path);

  std::wstring finalPath = *reported;
  if (finalPath.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    finalPath.replace(0, 8, L"\\\\");
  } else if (finalPath.rfind(L"\\\\?\\", 0) == 0) {
    finalPath.erase(0, 4);
  }
  // The reported path is normalized already; the long form of its file is made sure of all the
  // same, since a short name would hide the folder names the caller looks for.
  const std::size_t stream = streamSuffixStart(finalPath);
  const std::wstring filePath = finalPath.substr(0, stream);
  const auto longForm = longPathName(filePath);
  if (!longForm) throw errorFromWin32(GetLastError(), filePath);
  return stream == std::wstring::npos ? *longForm : *longForm + finalPath.substr(stream);
}

std::optional<std::wstring> Win32FileSystem::longPathName(const std::wstring& path) {
  return fetchGrowing(MAX_PATH, [&](wchar_t* buffer, std::uint32_t capacity) -> std::uint32_t {
    return GetLongPathNameW(path.c_str(), buffer, capacity);
  });
}

std::wstring Win32FileSystem::currentDirectory() {
  auto path = fetchGrowing(MAX_PATH + 1, [](wchar_t* buffer, std::uint32_t capacity) -> std::uint32_t {
    return GetCurrentDirectoryW(capacity, buffer);
  });
  if (!path) throw errorFromWin32(GetLastError());
  return *path;
}

void Win32FileSystem::setCurrentDirectory(const std::wstring& path) {
  if (!SetCurrentDirectoryW(path.c_str())) {
    const DWORD error = GetLastError();
    // A folder that is not there is a path not found, whatever the system calls it.
    throw errorFromWin32(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error);
  }
}

std::wstring Win32FileSystem::tempPath() {
  bool failed = false;
  DWORD failure = ERROR_SUCCESS;
  auto path = fetchGrowing(MAX_PATH + 1, [&](wchar_t* buffer, std::uint32_t capacity) -> std::uint32_t {
    const DWORD result = GetTempPathW(capacity, buffer);
    failed = result == 0;
    if (failed) failure = GetLastError();
    return result;
  });
  if (path) return *std::move(path);
  // Without a failed call, the needed size kept changing until fetchGrowing gave up.
  throw errorFromWin32(failed ? failure : ERROR_INSUFFICIENT_BUFFER);
}

}  // namespace platform::win32
