// The handlers of the host's application events. A new or opened document stores the toolbar's
// placement and builds the toolbar again; in Excel a double-click on a cell switches the Open
// command off until the selection changes or a workbook closes. Everything else is received and
// ignored. Only the workbook-close handler traps errors: the others hand them back to the host.

#include "addin/class_addin.h"
#include "addin/error_trap.h"
#include "office/office.h"

namespace addin {

void ClassAddIn::DocumentRefresh() {
  std::int16_t kind = kHostPowerPoint;
  if (HostName() == office::kWordName) {
    kind = kHostWord;
  } else if (HostName() == office::kExcelName) {
    kind = kHostExcel;
  }
  // What was just read is what the toolbar goes back to: no need to read it back from the
  // registry, which costs a document event more than anything else it does. A toolbar not in its
  // place yet goes where the registry says.
  ToolbarPlacement placement;
  const bool placed = toolbarPlaced_;
  const bool stored = StoreToolbarPlacement(kind, placement);
  RefreshToolbar(placed ? &placement : nullptr);
  EnableSaveCommands(true);
  if (placed && !stored) {
    throw ComError::automation(platform::errors::kPermissionDenied, L"The toolbar's placement could not be stored");
  }
}

void ClassAddIn::g_appWord_NewDocument(const Object&) { DocumentRefresh(); }
void ClassAddIn::g_appWord_DocumentOpen(const Object&) { DocumentRefresh(); }
void ClassAddIn::g_appWord_DocumentBeforeSave(const Object&, Variant&, Variant&) {}
void ClassAddIn::g_appWord_DocumentBeforeClose(const Object&, Variant&) {}

void ClassAddIn::g_appExcel_NewWorkbook(const Object&) { DocumentRefresh(); }
void ClassAddIn::g_appExcel_WorkbookOpen(const Object&) { DocumentRefresh(); }

void ClassAddIn::g_appExcel_WorkbookBeforeClose(const Object&, Variant&) {
  ignoringErrors([&] { EnableOpenCommands(true); });
}

void ClassAddIn::g_appExcel_SheetBeforeDoubleClick(const Object&, const Object&, Variant& Cancel) {
  Cancel = Variant(false);  // the host goes on with its own double-click action
  EnableOpenCommands(false);
}

void ClassAddIn::g_appExcel_SheetSelectionChange(const Object&, const Object&) { EnableOpenCommands(true); }

void ClassAddIn::g_appPPT_NewPresentation(const Object&) { DocumentRefresh(); }
void ClassAddIn::g_appPPT_PresentationOpen(const Object&) { DocumentRefresh(); }
void ClassAddIn::g_appPPT_PresentationClose(const Object&) {}

}  // namespace addin
