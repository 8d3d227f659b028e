#include "sim/excel_dialog.h"

#include "sim/application.h"
#include "sim/dialogs.h"
#include "sim/host_errors.h"
#include "sim/windows_path.h"

namespace sim {

ExcelDialog::ExcelDialog(std::weak_ptr<Application> host, std::int32_t type)
    : application_(std::move(host)), type_(type) {
  signature(L"Excel.Dialog");
  std::vector<std::wstring> arguments;
  for (int i = 1; i <= 30; ++i) arguments.push_back(L"Arg" + std::to_wstring(i));
  method(L"Show", arguments, [this](Params& p) {
    if (p.has(0)) {
      const std::wstring fileText = p.at(0).toString();
      return Variant(show(&fileText));
    }
    return Variant(show(nullptr));
  });
}

bool ExcelDialog::show(const std::wstring* fileText) {
  auto application = application_.lock();
  if (!application) throw host_errors::hostEnded();
  application->requireRunning();
  Machine& machine = application->machine();
  auto text = windows_path::splitDialogText(fileText ? *fileText : std::wstring(),
                                            [&](const std::wstring& p) { return application->isFolder(p); });
  if (type_ == dialog_ids::kExcelOpen) {
    if (text.folder.empty()) text.folder = machine.documentsFolder(HostKind::Excel);
    auto chosen = machine.user().answer(
        fileDialogRequest(HostKind::Excel, L"Dialogs(1)", DialogKind::Open, text.folder, text.file));
    if (!chosen) return false;
    application->openDocument(*chosen);
    return true;
  }

  auto workbook = application->activeDocument();
  if (!workbook) throw ComError(host_errors::kExcelFailure, L"Show method of Dialog class failed");
  if (text.folder.empty()) {
    text.folder = workbook->everSaved() ? workbook->path() : machine.documentsFolder(HostKind::Excel);
  }
  if (text.file.empty() || windows_path::hasWildcard(text.file)) text.file = application->proposedFileName(*workbook);
  auto chosen = machine.user().answer(
      fileDialogRequest(HostKind::Excel, L"Dialogs(5)", DialogKind::SaveAs, text.folder, text.file));
  if (!chosen) return false;
  application->writeDocument(workbook, application->withDefaultExtension(*chosen));
  return true;
}

}  // namespace sim
