#include "sim/file_dialog.h"

#include "sim/application.h"
#include "sim/host_errors.h"
#include "sim/windows_path.h"

namespace sim {
namespace {

// The paths a file dialog's user chose, as a snapshot.
class SelectedItems : public SimObject {
 public:
  explicit SelectedItems(std::vector<std::wstring> items) : items_(std::move(items)) {
    property(L"Count", [this](Params&) { return Variant(static_cast<std::int32_t>(items_.size())); });
    property(L"Item", {L"Index"}, [this](Params& p) {
      const std::int32_t i = p.at(0).toInt32();
      if (i < 1 || static_cast<std::size_t>(i) > items_.size()) throw host_errors::invalidArgument();
      return Variant(items_[static_cast<std::size_t>(i - 1)]);
    });
    defaultMember(L"Item");
  }

 private:
  std::vector<std::wstring> items_;
};

}  // namespace

FileDialog::FileDialog(std::weak_ptr<Application> host, std::int32_t type)
    : application_(std::move(host)), type_(type) {
  signature(L"Office.FileDialog");
  title_ = type_ == kFileDialogOpen ? L"Open" : L"Save As";
  buttonName_ = type_ == kFileDialogOpen ? L"Open" : L"Save";
  auto text = [this](const wchar_t* name, std::wstring FileDialog::*field) {
    property(
        name, [this, field](Params&) { return Variant(this->*field); },
        [this, field](Params&, const Variant& value) { this->*field = value.toString(); });
  };
  text(L"Title", &FileDialog::title_);
  text(L"ButtonName", &FileDialog::buttonName_);
  text(L"InitialFileName", &FileDialog::initialFileName_);
  property(L"DialogType", [this](Params&) { return Variant(type_); });
  property(
      L"AllowMultiSelect", [this](Params&) { return Variant(allowMultiSelect_); },
      [this](Params&, const Variant& value) { allowMultiSelect_ = value.toBool(); });
  property(
      L"FilterIndex", [this](Params&) { return Variant(filterIndex_); },
      [this](Params&, const Variant& value) { filterIndex_ = value.toInt32(); });
  property(L"SelectedItems", [this](Params&) { return Variant(Object(std::make_shared<SelectedItems>(selected_))); });
  method(L"Show", {}, [this](Params&) { return Variant(show()); });
  method(L"Execute", {}, [this](Params&) {
    execute();
    return Variant();
  });
}

std::shared_ptr<Application> FileDialog::application() const {
  auto application = application_.lock();
  if (!application) throw host_errors::hostEnded();
  application->requireRunning();
  return application;
}

std::int32_t FileDialog::show() {
  auto application = this->application();
  Machine& machine = application->machine();
  auto text = windows_path::splitDialogText(initialFileName_,
                                            [&](const std::wstring& p) { return application->isFolder(p); });
  if (text.folder.empty()) text.folder = machine.documentsFolder(application->kind());
  auto request = fileDialogRequest(application->kind(), L"FileDialog(" + std::to_wstring(type_) + L")",
                                   type_ == kFileDialogOpen ? DialogKind::Open : DialogKind::SaveAs, text.folder,
                                   text.file);
  if (request.proposal.empty() && type_ == kFileDialogSaveAs) {
    auto active = application->activeDocument();
    request.proposal = windows_path::join(
        text.folder, active ? application->proposedFileName(*active) : newDocumentStem(application->kind()) + L"1" +
                                                                          defaultExtension(application->kind()));
  }
  auto chosen = machine.user().answer(request);
  selected_.clear();
  if (!chosen) return 0;
  selected_.push_back(type_ == kFileDialogSaveAs ? application->withDefaultExtension(*chosen) : *chosen);
  return -1;
}

void FileDialog::execute() {
  auto application = this->application();
  if (selected_.empty()) return;
  const std::vector<std::wstring> chosen = selected_;
  if (type_ == kFileDialogOpen) {
    for (const auto& path : chosen) application->openDocument(path);
    return;
  }
  application->writeDocument(application->requireActiveDocument(), chosen.front());
}

void FileDialog::end() { retire(host_errors::hostEnded()); }

}  // namespace sim
