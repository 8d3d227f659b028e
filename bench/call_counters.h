#pragma once
// Counts the calls the add-in makes to the registry functions it imports. Counts are
// deterministic where times are not, so they show where an event's time goes. (Its calls to the
// host are counted by the test host's bridge itself: DispatchBridge::faults().)

#include <windows.h>

#include <vector>

namespace bench {

// Every call the module makes to a registry function of advapi32 (RegOpenKeyExW, RegSetValueExW,
// ...), counted by redirecting the module's imports; put back when the counter ends.
class RegistryCallCounter {
 public:
  explicit RegistryCallCounter(HMODULE module);
  ~RegistryCallCounter();
  RegistryCallCounter(const RegistryCallCounter&) = delete;
  RegistryCallCounter& operator=(const RegistryCallCounter&) = delete;

  long calls() const;
  void reset();
  // How many of the module's registry imports are counted: none means nothing would be seen.
  int counted() const { return static_cast<int>(patches_.size()); }

 private:
  struct Patch {
    void** slot;
    void* original;
  };
  std::vector<Patch> patches_;
};

}  // namespace bench
