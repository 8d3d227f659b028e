#pragma once
// The operating-system services the add-in is given. Every class that needs one receives this;
// nothing looks a service up on its own.

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/ui.h"

namespace platform {

struct Platform {
  Registry& registry;
  FileSystem& fileSystem;
  Environment& environment;
  Resources& resources;
  Ui& ui;
};

}  // namespace platform
