#pragma once
// One of Word's built-in dialogs as a program reaches it through Dialogs(n): its settings are
// fields (Name; Path and Setting), Show lets the user answer and then acts, Execute acts on the
// settings without showing anything, Update reloads them from Word.

#include <cstdint>
#include <memory>
#include <string>

#include "sim/host_object.h"

namespace sim {

class Application;

class WordDialog : public HostObject {
 public:
  WordDialog(std::weak_ptr<Application> application, std::int32_t type);

 private:
  std::shared_ptr<Application> application() const;
  std::int32_t show(bool act);
  std::int32_t showOpen(Application& application, bool act);
  std::int32_t showSaveAs(Application& application, bool act);
  std::int32_t showFileLocations(Application& application, bool act);
  void execute();
  void update();

  std::weak_ptr<Application> application_;
  std::int32_t type_;
  std::wstring name_;     // File Open and File Save As: the text of the file-name box
  std::wstring path_;     // file locations: which location ("DOC-PATH")
  std::wstring setting_;  // file locations: its folder
};

}  // namespace sim
