#include "automation/win32/module_lifetime.h"

#include <atomic>

namespace automation::win32 {

namespace {
std::atomic<LifetimeHook> g_created{nullptr};
std::atomic<LifetimeHook> g_destroyed{nullptr};
}  // namespace

void setObjectLifetimeHooks(LifetimeHook created, LifetimeHook destroyed) noexcept {
  g_created = created;
  g_destroyed = destroyed;
}

void notifyObjectCreated() noexcept {
  if (LifetimeHook hook = g_created) hook();
}

void notifyObjectDestroyed() noexcept {
  if (LifetimeHook hook = g_destroyed) hook();
}

}  // namespace automation::win32
