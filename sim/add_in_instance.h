#pragma once
// The AddInInst object a host hands an add-in at connection: the add-in as the host sees it.

#include <memory>
#include <string>

#include "sim/host_object.h"

namespace sim {

class AddInInstance : public HostObject {
 public:
  AddInInstance(std::wstring progId, std::wstring description, std::weak_ptr<SimObject> application);

  const std::wstring& progId() const { return progId_; }
  bool connected() const { return connected_; }
  void setConnected(bool connected) { connected_ = connected; }
  void end();

 private:
  std::wstring progId_;
  std::wstring description_;
  std::weak_ptr<SimObject> application_;
  Object object_;
  bool connected_ = false;
};

}  // namespace sim
