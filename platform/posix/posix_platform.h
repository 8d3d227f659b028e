#pragma once
// The platform services of the native build, owned together.

#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "platform/posix/console_ui.h"
#include "platform/posix/drive_map.h"
#include "platform/posix/hive_registry.h"
#include "platform/posix/message_table_resources.h"
#include "platform/posix/posix_environment.h"
#include "platform/posix/posix_file_system.h"

namespace platform::posix {

struct PosixPlatformOptions {
  std::string registryFile;     // empty: a registry in memory only
  DriveMap drives;              // Z: -> "/" unless told otherwise
  std::wstring tempPath;        // empty: $TMPDIR (or /tmp) through the drive map
  std::wstring currentDirectory;  // empty: the temporary folder
  std::ostream* out = &std::cout;  // where message boxes are drawn
  std::optional<std::uint16_t> language;  // nothing: the locale variables decide
};

class PosixPlatform {
 public:
  explicit PosixPlatform(PosixPlatformOptions options = {});

  Platform platform() { return Platform{*registry_, *fileSystem_, environment_, *resources_, *ui_}; }
  HiveRegistry& registry() { return *registry_; }
  ConsoleUi& ui() { return *ui_; }
  MessageTableResources& resources() { return *resources_; }
  PosixFileSystem& fileSystem() { return *fileSystem_; }

 private:
  ProcessEnvironment environment_;
  std::unique_ptr<HiveRegistry> registry_;
  std::unique_ptr<PosixFileSystem> fileSystem_;
  std::unique_ptr<MessageTableResources> resources_;
  std::unique_ptr<ConsoleUi> ui_;
};

}  // namespace platform::posix
