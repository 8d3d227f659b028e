#pragma once
// Word's and Excel's Dialogs collection: the built-in dialogs a program shows by number.

#include <cstdint>
#include <memory>

#include "sim/host_object.h"

namespace sim {

class Application;

// Word: 80 File Open, 84 File Save As, 225 file locations (Tools > Options). Excel: 1 Open,
// 5 Save As. Each access gives a dialog whose settings start from the host's current ones.
class DialogCollection : public HostObject {
 public:
  explicit DialogCollection(std::weak_ptr<Application> application);
  void end();

 private:
  std::weak_ptr<Application> application_;
};

// Word's and Excel's dialog numbers.
namespace dialog_ids {
inline constexpr std::int32_t kWordFileOpen = 80;
inline constexpr std::int32_t kWordFileSaveAs = 84;
inline constexpr std::int32_t kWordFileLocations = 225;
inline constexpr std::int32_t kExcelOpen = 1;
inline constexpr std::int32_t kExcelSaveAs = 5;
}  // namespace dialog_ids

}  // namespace sim
