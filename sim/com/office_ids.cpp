#include "sim/com/office_ids.h"

#include <iterator>

#include "platform/text.h"

namespace wine_host {
namespace {

struct NamedIid {
  const IID* iid;
  const wchar_t* name;
};

constexpr NamedIid kTypedInterfaces[] = {
    {&kIidWordApplication, L"Word._Application"},
    {&kIidExcelApplication, L"Excel._Application"},
    {&kIidPowerPointApplication, L"PowerPoint._Application"},
};

constexpr NamedIid kEventsInterfaces[] = {
    {&kIidWordApplicationEvents2, L"ApplicationEvents2"}, {&kIidWordApplicationEvents3, L"ApplicationEvents2"},
    {&kIidWordApplicationEvents4, L"ApplicationEvents2"}, {&kIidExcelAppEvents, L"AppEvents"},
    {&kIidPowerPointEApplication, L"EApplication"},       {&kIidCommandBarButtonEvents, L"_CommandBarButtonEvents"},
};

struct EventEntry {
  const wchar_t* eventsInterface;
  const wchar_t* event;
  DISPID dispid;
};

constexpr EventEntry kEvents[] = {
    {L"ApplicationEvents2", L"Startup", 1},
    {L"ApplicationEvents2", L"Quit", 2},
    {L"ApplicationEvents2", L"DocumentChange", 3},
    {L"ApplicationEvents2", L"DocumentOpen", 4},
    {L"ApplicationEvents2", L"DocumentBeforeClose", 6},
    {L"ApplicationEvents2", L"DocumentBeforePrint", 7},
    {L"ApplicationEvents2", L"DocumentBeforeSave", 8},
    {L"ApplicationEvents2", L"NewDocument", 9},
    {L"ApplicationEvents2", L"WindowActivate", 10},
    {L"AppEvents", L"SheetSelectionChange", 1558},
    {L"AppEvents", L"SheetBeforeDoubleClick", 1559},
    {L"AppEvents", L"NewWorkbook", 1565},
    {L"AppEvents", L"WorkbookOpen", 1567},
    {L"AppEvents", L"WorkbookBeforeClose", 1570},
    {L"EApplication", L"PresentationClose", 2004},
    {L"EApplication", L"PresentationOpen", 2006},
    {L"EApplication", L"NewPresentation", 2007},
    {L"_CommandBarButtonEvents", L"Click", 1},
};

const wchar_t* lookup(const NamedIid* begin, const NamedIid* end, REFIID iid) {
  for (auto* entry = begin; entry != end; ++entry) {
    if (IsEqualIID(iid, *entry->iid)) return entry->name;
  }
  return nullptr;
}

}  // namespace

const wchar_t* typedInterfaceName(REFIID iid) {
  return lookup(std::begin(kTypedInterfaces), std::end(kTypedInterfaces), iid);
}

const wchar_t* eventsInterfaceName(REFIID iid) {
  return lookup(std::begin(kEventsInterfaces), std::end(kEventsInterfaces), iid);
}

bool eventDispid(std::wstring_view eventsInterface, std::wstring_view event, DISPID& dispid) {
  for (const auto& entry : kEvents) {
    if (platform::equalsIgnoreCase(entry.eventsInterface, eventsInterface) &&
        platform::equalsIgnoreCase(entry.event, event)) {
      dispid = entry.dispid;
      return true;
    }
  }
  return false;
}

}  // namespace wine_host
