#pragma once
// The CommandBars collection one run of a host hands out: the store's bars, as that run sees them
// (a host started without a menu bar has no ActiveMenuBar).

#include <memory>

#include "sim/bar_store.h"

namespace sim {

class CommandBars : public HostObject {
 public:
  CommandBars(std::shared_ptr<BarStore> store, bool hasActiveMenuBar);

  const std::shared_ptr<BarStore>& store() const { return store_; }
  // The run has ended: the collection object is dead, the bars live on in the store.
  void end();

 private:
  std::shared_ptr<BarStore> store_;
  bool hasActiveMenuBar_;
  bool displayTooltips_ = true;
  bool largeButtons_ = false;
};

}  // namespace sim
