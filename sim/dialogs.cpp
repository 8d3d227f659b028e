#include "sim/dialogs.h"

#include "sim/application.h"
#include "sim/excel_dialog.h"
#include "sim/host_errors.h"
#include "sim/word_dialog.h"

namespace sim {

DialogCollection::DialogCollection(std::weak_ptr<Application> host) : application_(std::move(host)) {
  if (auto application = application_.lock()) {
    if (application->kind() == HostKind::Word) signature(L"Word.Dialogs");
    if (application->kind() == HostKind::Excel) signature(L"Excel.Dialogs");
  }
  auto live = [this] {
    auto application = application_.lock();
    if (!application) throw host_errors::hostEnded();
    application->requireRunning();
    return application;
  };
  property(L"Item", {L"Index"}, [this, live](Params& p) {
    const HostKind kind = live()->kind();
    const std::int32_t type = p.at(0).toInt32();
    if (kind == HostKind::Word &&
        (type == dialog_ids::kWordFileOpen || type == dialog_ids::kWordFileSaveAs ||
         type == dialog_ids::kWordFileLocations)) {
      return Variant(Object(std::make_shared<WordDialog>(application_, type)));
    }
    if (kind == HostKind::Excel && (type == dialog_ids::kExcelOpen || type == dialog_ids::kExcelSaveAs)) {
      return Variant(Object(std::make_shared<ExcelDialog>(application_, type)));
    }
    if (kind == HostKind::Word) {
      throw ComError(host_errors::kWordNoSuchMember, L"The requested member of the collection does not exist.");
    }
    throw ComError(host_errors::kExcelFailure, L"Unable to get the Item property of the Dialogs class");
  });
  defaultMember(L"Item");
  property(L"Count", [live](Params&) { return Variant(std::int32_t{live()->kind() == HostKind::Word ? 3 : 2}); });
}

void DialogCollection::end() { retire(host_errors::hostEnded()); }

}  // namespace sim
