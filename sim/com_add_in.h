#pragma once
// What a host calls on a COM add-in (the IDTExtensibility2 notifications), for an add-in that a
// simulated host loads. Throwing ComError is how an add-in returns a failure.

#include <cstdint>

#include "automation/variant.h"
#include "sim/ribbon_extensibility.h"

namespace sim {

// ext_ConnectMode and ext_DisconnectMode.
inline constexpr std::int32_t kConnectAfterStartup = 0;
inline constexpr std::int32_t kConnectStartup = 1;
inline constexpr std::int32_t kConnectExternal = 2;
inline constexpr std::int32_t kConnectCommandLine = 3;
inline constexpr std::int32_t kDisconnectHostShutdown = 0;
inline constexpr std::int32_t kDisconnectUserClosed = 1;

class ComAddIn {
 public:
  virtual ~ComAddIn() = default;
  virtual void OnConnection(automation::Object application, std::int32_t connectMode, automation::Object addInInst,
                            automation::Variant& custom) = 0;
  virtual void OnDisconnection(std::int32_t removeMode, automation::Variant& custom) = 0;
  // The notifications an add-in may leave alone.
  virtual void OnAddInsUpdate(automation::Variant& /*custom*/) {}
  virtual void OnStartupComplete(automation::Variant& /*custom*/) {}
  virtual void OnBeginShutdown(automation::Variant& /*custom*/) {}
  // QueryInterface for IRibbonExtensibility, which hosts of version 12.0 and later make when they
  // load the add-in; null for an add-in without a ribbon.
  virtual RibbonExtensibility* queryRibbonExtensibility() { return nullptr; }
};

}  // namespace sim
