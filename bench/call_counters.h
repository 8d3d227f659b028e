#pragma once
// Counts what the add-in asks of its surroundings while they live: the host calls that reach the
// simulated host's COM objects, and the registry functions the DLL imports. The counts are
// deterministic where times are not, so they show where an event's time goes.

#include <windows.h>

#include <oaidl.h>
#include <ocidl.h>

#include <vector>

namespace bench {

// The host calls: QueryInterface, GetIDsOfNames and Invoke on the host's objects, FindConnectionPoint,
// Advise and Unadvise, counted by patching the interface tables of the classes that serve the
// given objects (every object of such a class is counted), put back when the counter ends.
class HostCallCounter {
 public:
  HostCallCounter(IDispatch* object, IConnectionPointContainer* container, IConnectionPoint* point);
  ~HostCallCounter();
  HostCallCounter(const HostCallCounter&) = delete;
  HostCallCounter& operator=(const HostCallCounter&) = delete;

  long calls() const;
  void reset();

 private:
  struct Patch {
    void** slot;
    void* original;
  };
  void patch(void* object, int index, void* replacement, void** original);
  std::vector<Patch> patches_;
};

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
