#pragma once
// Excel's built-in Open (1) and Save As (5) dialogs, as Dialogs(n).Show(Arg1, ...) shows them: the
// first argument is the text of the file-name box; the dialog opens or saves by itself.

#include <cstdint>
#include <memory>

#include "sim/host_object.h"

namespace sim {

class Application;

class ExcelDialog : public HostObject {
 public:
  ExcelDialog(std::weak_ptr<Application> application, std::int32_t type);

 private:
  bool show(const std::wstring* fileText);

  std::weak_ptr<Application> application_;
  std::int32_t type_;
};

}  // namespace sim
