#pragma once
// A COM class served by the test host itself: its objects are bridges of simulated objects (the
// vault server, "Morvane.Vault"). While the registration lives, CLSIDFromProgID finds the ProgID
// (HKEY_CLASSES_ROOT\<ProgID>\CLSID, machine-wide: Wine 8 does not activate per-user classes)
// and CoCreateInstance in this process gets objects from the host's class factory
// (CoRegisterClassObject). Both are undone when it goes.

#include <windows.h>

#include <ole2.h>

#include <functional>
#include <string>

#include "automation/object.h"
#include "automation/win32/com_ptr.h"
#include "sim/com/dispatch_bridge.h"

namespace wine_host {

class HostClassFactory;

class ClassRegistration {
 public:
  using Create = std::function<automation::Object()>;

  // Raises ComError when the registry or COM refuses.
  ClassRegistration(std::wstring progId, const CLSID& clsid, DispatchBridge& bridge, Create create);
  ~ClassRegistration();
  ClassRegistration(const ClassRegistration&) = delete;
  ClassRegistration& operator=(const ClassRegistration&) = delete;

  // Objects handed out so far.
  int created() const;

 private:
  std::wstring progId_;
  std::wstring clsidText_;
  automation::win32::ComPtr<HostClassFactory> factory_;
  DWORD cookie_ = 0;
};

}  // namespace wine_host
