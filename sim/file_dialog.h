#pragma once
// Office's FileDialog (PowerPoint 2002 and later): Show lets the user choose and returns -1 when
// confirmed, 0 when cancelled; Execute then opens or saves what was chosen.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/host_object.h"

namespace sim {

class Application;

// msoFileDialogOpen and msoFileDialogSaveAs.
inline constexpr std::int32_t kFileDialogOpen = 1;
inline constexpr std::int32_t kFileDialogSaveAs = 2;

class FileDialog : public HostObject {
 public:
  FileDialog(std::weak_ptr<Application> application, std::int32_t type);

  const std::wstring& initialFileName() const { return initialFileName_; }
  const std::vector<std::wstring>& selectedItems() const { return selected_; }
  void end();

 private:
  std::shared_ptr<Application> application() const;
  std::int32_t show();
  void execute();

  std::weak_ptr<Application> application_;
  std::int32_t type_;
  std::wstring title_;
  std::wstring buttonName_;
  std::wstring initialFileName_;
  bool allowMultiSelect_ = false;
  std::int32_t filterIndex_ = 1;
  std::vector<std::wstring> selected_;
};

}  // namespace sim
