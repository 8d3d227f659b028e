#pragma once
// The add-in as a simulated host loads it in the native build: the host's connection
// notifications go straight to a Connect object, as they reach it through _IDTExtensibility2 in
// the DLL.

#include "addin/connect.h"
#include "sim/com_add_in.h"

namespace app {

class NativeAddIn : public sim::ComAddIn {
 public:
  NativeAddIn(const platform::Platform& platform, automation::ObjectFactory& objects) : connect_(platform, objects) {}

  void OnConnection(automation::Object application, std::int32_t connectMode, automation::Object addInInst,
                    automation::Variant& custom) override {
    connect_.AddinInstance_OnConnection(application, connectMode, addInInst, custom);
  }
  void OnDisconnection(std::int32_t removeMode, automation::Variant& custom) override {
    connect_.AddinInstance_OnDisconnection(removeMode, custom);
  }

  addin::Connect& connect() { return connect_; }
  addin::ClassAddIn& addIn() { return connect_.addIn(); }

 private:
  addin::Connect connect_;
};

}  // namespace app
