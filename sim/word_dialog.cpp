#include "sim/word_dialog.h"

#include "sim/application.h"
#include "sim/dialogs.h"
#include "sim/host_errors.h"
#include "sim/windows_path.h"

namespace sim {
namespace {

ComError valueOutOfRange() {
  return ComError(static_cast<std::int32_t>(0x800A1200u), L"Value out of range");
}

// Word makes the folder the user browsed to in its file dialogs its document folder (the
// "DOC-PATH" file location), before it opens or saves there, and keeps it when that fails.
void followUser(Application& application, const std::wstring& chosen) {
  application.machine().setDocumentsFolder(HostKind::Word, windows_path::folderOf(chosen));
}

}  // namespace

WordDialog::WordDialog(std::weak_ptr<Application> host, std::int32_t type)
    : application_(std::move(host)), type_(type) {
  signature(L"Word.Dialog");
  property(L"Type", [this](Params&) { return Variant(type_); });
  method(L"Show", {L"TimeOut"}, [this](Params&) { return Variant(show(true)); });
  method(L"Display", {L"TimeOut"}, [this](Params&) { return Variant(show(false)); });
  method(L"Execute", {}, [this](Params&) {
    execute();
    return Variant();
  });
  method(L"Update", {}, [this](Params&) {
    update();
    return Variant();
  });
  if (type_ == dialog_ids::kWordFileLocations) {
    path_ = L"DOC-PATH";
    update();
    property(
        L"Path", [this](Params&) { return Variant(path_); },
        [this](Params&, const Variant& value) {
          const std::wstring path = value.toString();
          auto setting = application()->machine().wordFileLocation(path);
          if (!setting) throw valueOutOfRange();
          // Choosing another location shows that location's folder.
          path_ = path;
          setting_ = *setting;
        });
    property(
        L"Setting", [this](Params&) { return Variant(setting_); },
        [this](Params&, const Variant& value) { setting_ = value.toString(); });
  } else {
    property(
        L"Name", [this](Params&) { return Variant(name_); },
        [this](Params&, const Variant& value) { name_ = value.toString(); });
  }
}

std::shared_ptr<Application> WordDialog::application() const {
  auto application = application_.lock();
  if (!application) throw host_errors::hostEnded();
  application->requireRunning();
  return application;
}

std::int32_t WordDialog::show(bool act) {
  auto application = this->application();
  switch (type_) {
    case dialog_ids::kWordFileOpen: return showOpen(*application, act);
    case dialog_ids::kWordFileSaveAs: return showSaveAs(*application, act);
    default: return showFileLocations(*application, act);
  }
}

std::int32_t WordDialog::showOpen(Application& application, bool act) {
  Machine& machine = application.machine();
  auto text = windows_path::splitDialogText(name_, [&](const std::wstring& p) { return application.isFolder(p); });
  if (text.folder.empty()) text.folder = machine.documentsFolder(HostKind::Word);
  auto chosen =
      machine.user().answer(fileDialogRequest(HostKind::Word, L"Dialogs(80)", DialogKind::Open, text.folder, text.file));
  if (!chosen) return 0;
  name_ = *chosen;
  followUser(application, *chosen);
  if (act) application.openDocument(*chosen);
  return -1;
}

std::int32_t WordDialog::showSaveAs(Application& application, bool act) {
  auto document = application.requireActiveDocument();
  if (act) {
    bool saveAsUI = true;
    if (!application.beforeSave(document, saveAsUI)) return 0;
  }
  Machine& machine = application.machine();
  auto text = windows_path::splitDialogText(name_, [&](const std::wstring& p) { return application.isFolder(p); });
  if (text.folder.empty()) text.folder = document->everSaved() ? document->path() : machine.documentsFolder(HostKind::Word);
  if (text.file.empty() || windows_path::hasWildcard(text.file)) text.file = application.proposedFileName(*document);
  auto chosen = machine.user().answer(
      fileDialogRequest(HostKind::Word, L"Dialogs(84)", DialogKind::SaveAs, text.folder, text.file));
  if (!chosen) return 0;
  name_ = application.withDefaultExtension(*chosen);
  followUser(application, name_);
  if (act) application.writeDocument(document, name_);
  return -1;
}

std::int32_t WordDialog::showFileLocations(Application& application, bool act) {
  DialogRequest request;
  request.host = HostKind::Word;
  request.source = L"Dialogs(225)";
  request.kind = DialogKind::FileLocations;
  request.initialFolder = setting_;
  request.proposal = setting_;
  auto chosen = application.machine().user().answer(request);
  if (!chosen) return 0;
  setting_ = *chosen;
  if (act) execute();
  return -1;
}

void WordDialog::execute() {
  auto application = this->application();
  switch (type_) {
    case dialog_ids::kWordFileOpen:
      application->openDocument(application->resolve(name_));
      break;
    case dialog_ids::kWordFileSaveAs: {
      auto document = application->requireActiveDocument();
      const std::wstring name = name_.empty() ? application->proposedFileName(*document) : name_;
      application->writeDocument(document, application->withDefaultExtension(application->resolve(name)));
      break;
    }
    default:
      application->machine().applyWordFileLocation(path_, setting_);
      break;
  }
}

void WordDialog::update() {
  auto application = this->application();
  if (type_ == dialog_ids::kWordFileLocations) {
    setting_ = application->machine().wordFileLocation(path_).value_or(L"");
  } else {
    name_.clear();
  }
}

}  // namespace sim
