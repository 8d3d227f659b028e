#pragma once
// Connect: the object the host creates from the add-in's registration and connects through its
// add-in connection interface. It forwards connection and disconnection to its one ClassAddIn.

#include <cstdint>
#include <memory>

#include "addin/class_addin.h"

namespace addin {

class Connect {
 public:
  Connect(const platform::Platform& platform, automation::ObjectFactory& objects)
      : platform_(platform), objects_(objects) {}

  void AddinInstance_OnConnection(const Object& Application, std::int32_t ConnectMode, const Object& AddInInst,
                                  Variant& custom);
  // Also when no connection came first: it then runs on a fresh, empty ClassAddIn.
  void AddinInstance_OnDisconnection(std::int32_t RemoveMode, Variant& custom);

  // The ClassAddIn, created on first use; there is never more than one per Connect.
  ClassAddIn& addIn();
  const std::shared_ptr<ClassAddIn>& g_objAddIn() const { return addIn_; }

 private:
  platform::Platform platform_;
  automation::ObjectFactory& objects_;
  std::shared_ptr<ClassAddIn> addIn_;
};

}  // namespace addin
