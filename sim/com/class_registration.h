#pragma once
// COM classes served by the test host itself. While a registration lives, CLSIDFromProgID finds
// the ProgID (HKEY_CLASSES_ROOT\<ProgID>\CLSID, machine-wide: Wine 8 does not activate per-user
// classes) and CoCreateInstance in this process gets objects from the host's class factory
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

// Any class factory of this process under a ProgID and CLSID.
class ClassObjectRegistration {
 public:
  // Raises ComError when the registry or COM refuses; then nothing stays registered.
  ClassObjectRegistration(std::wstring progId, const CLSID& clsid, IClassFactory* factory);
  ~ClassObjectRegistration();
  ClassObjectRegistration(const ClassObjectRegistration&) = delete;
  ClassObjectRegistration& operator=(const ClassObjectRegistration&) = delete;

 private:
  void removeKeys() const;

  std::wstring progId_;
  std::wstring clsidText_;
  DWORD cookie_ = 0;
};

// A class whose objects are bridges of simulated objects (the vault server, "Morvane.Vault").
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
  automation::win32::ComPtr<HostClassFactory> factory_;
  ClassObjectRegistration registration_;
};

}  // namespace wine_host
