#include "commands/path_utilities.h"

#include "addin/messages.h"
#include "platform/text.h"

namespace commands {

std::wstring GetLongFolderPath(const platform::Platform& platform, std::wstring path) {
  std::wstring result = platform.fileSystem.longPathName(path).value_or(path);
  if (result.empty() || result.back() != L'\\') result += L'\\';
  return result;
}

std::wstring GetFileNameFromPath(const std::wstring& path) {
  const std::size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return {};
  return path.substr(slash + 1);
}

std::wstring GetFileStorageLocation(const platform::Platform& platform, std::int32_t& lLen) {
  const std::wstring base = GetLongFolderPath(platform, platform.fileSystem.tempPath());
  lLen = static_cast<std::int32_t>(platform::toUtf16(base).size());  // characters as Windows counts them
  if (!platform.fileSystem.folderExists(base)) platform.fileSystem.createFolder(base);
  std::wstring folder = base + addin::GetMessage(platform, addin::message::kStorageFolderName);
  folder.pop_back();
  folder += L'\\';
  if (!platform.fileSystem.folderExists(folder)) platform.fileSystem.createFolder(folder);
  return folder;
}

}  // namespace commands
