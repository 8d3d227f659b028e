#pragma once
// What a host with a ribbon (version 12.0 and later) reaches of an add-in that has one: the
// add-in's IRibbonExtensibility, and the add-in's IDispatch through which it calls the callbacks
// the XML names (GetIDsOfNames, then Invoke as a method).

#include <string>
#include <vector>

#include "automation/dispatch.h"

namespace sim {

class RibbonExtensibility {
 public:
  virtual ~RibbonExtensibility() = default;
  virtual std::wstring GetCustomUI(const std::wstring& ribbonId) = 0;
  // Calls the callback; raises ComError for an unknown name or a failed call.
  virtual automation::Variant invokeCallback(const std::wstring& callback, std::vector<automation::Arg>& args) = 0;
};

}  // namespace sim
