#include "platform/posix/posix_platform.h"

#include <cstdlib>

#include "platform/com_error.h"
#include "platform/text.h"

namespace platform::posix {

PosixPlatform::PosixPlatform(PosixPlatformOptions options) {
  registry_ = options.registryFile.empty() ? std::make_unique<HiveRegistry>()
                                           : std::make_unique<HiveRegistry>(options.registryFile);
  std::wstring tempPath = options.tempPath;
  if (tempPath.empty()) {
    const char* tmpdir = std::getenv("TMPDIR");
    const auto windows = options.drives.toWindows(tmpdir && *tmpdir ? tmpdir : "/tmp");
    if (!windows) throw ComError::automation(errors::kPathNotFound, L"No drive holds the temporary folder");
    tempPath = *windows;
  }
  std::wstring current = options.currentDirectory.empty() ? tempPath : options.currentDirectory;
  fileSystem_ = std::make_unique<PosixFileSystem>(std::move(options.drives), tempPath, current);
  resources_ = std::make_unique<MessageTableResources>(options.language.value_or(userLanguage(environment_)));
  ui_ = std::make_unique<ConsoleUi>(*options.out);
}

}  // namespace platform::posix
