// Routes the events of the subscribed sources, by name, to their handlers. Events nobody handles
// are received and ignored.

#include "addin/class_addin.h"
#include "automation/dispatch.h"

namespace addin {

namespace {

// The event's argument at `index`; too few arguments is the host's mistake, reported as such.
Arg& argument(std::vector<Arg>& args, std::size_t index) {
  if (index >= args.size()) {
    throw ComError(automation::dispatch_errors::kBadParameterCount, L"Invalid number of parameters.");
  }
  return args[index];
}

Object objectAt(std::vector<Arg>& args, std::size_t index) { return argument(args, index).value().toObject(); }

}  // namespace

void ClassAddIn::OnWordEvent(std::wstring_view event, std::vector<Arg>& args) {
  if (event == L"NewDocument") {
    g_appWord_NewDocument(objectAt(args, 0));
  } else if (event == L"DocumentOpen") {
    g_appWord_DocumentOpen(objectAt(args, 0));
  } else if (event == L"DocumentBeforeSave") {
    g_appWord_DocumentBeforeSave(objectAt(args, 0), argument(args, 1).ref(), argument(args, 2).ref());
  } else if (event == L"DocumentBeforeClose") {
    g_appWord_DocumentBeforeClose(objectAt(args, 0), argument(args, 1).ref());
  }
}

void ClassAddIn::OnExcelEvent(std::wstring_view event, std::vector<Arg>& args) {
  if (event == L"NewWorkbook") {
    g_appExcel_NewWorkbook(objectAt(args, 0));
  } else if (event == L"WorkbookOpen") {
    g_appExcel_WorkbookOpen(objectAt(args, 0));
  } else if (event == L"WorkbookBeforeClose") {
    g_appExcel_WorkbookBeforeClose(objectAt(args, 0), argument(args, 1).ref());
  } else if (event == L"SheetBeforeDoubleClick") {
    g_appExcel_SheetBeforeDoubleClick(objectAt(args, 0), objectAt(args, 1), argument(args, 2).ref());
  } else if (event == L"SheetSelectionChange") {
    g_appExcel_SheetSelectionChange(objectAt(args, 0), objectAt(args, 1));
  }
}

void ClassAddIn::OnPowerPointEvent(std::wstring_view event, std::vector<Arg>& args) {
  if (event == L"NewPresentation") {
    g_appPPT_NewPresentation(objectAt(args, 0));
  } else if (event == L"PresentationOpen") {
    g_appPPT_PresentationOpen(objectAt(args, 0));
  } else if (event == L"PresentationClose") {
    g_appPPT_PresentationClose(objectAt(args, 0));
  }
}

void ClassAddIn::OnClick(void (ClassAddIn::*handler)(const Object&, Variant&), std::vector<Arg>& args) {
  (this->*handler)(objectAt(args, 0), argument(args, 1).ref());
}

}  // namespace addin
