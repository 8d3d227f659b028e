#include "automation/win32/interface_names.h"

#include <iterator>

#include "platform/text.h"

namespace automation::win32 {
namespace {

// The Office GUIDs all end in C000-000000000046, except PowerPoint's.
constexpr IID officeIid(unsigned long first) { return {first, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}; }
constexpr IID powerPointIid(unsigned long first) {
  return {first, 0x5A91, 0x11CF, {0x87, 0x00, 0x00, 0xAA, 0x00, 0x60, 0x26, 0x3B}};
}

// Word's ApplicationEvents2, 3 and 4 share their DISPIDs.
constexpr EventName kWordEvents[] = {
    {1, L"Startup"},
    {2, L"Quit"},
    {3, L"DocumentChange"},
    {4, L"DocumentOpen"},
    {6, L"DocumentBeforeClose"},
    {7, L"DocumentBeforePrint"},
    {8, L"DocumentBeforeSave"},
    {9, L"NewDocument"},
    {10, L"WindowActivate"},
};

constexpr EventName kExcelEvents[] = {
    {1558, L"SheetSelectionChange"}, {1559, L"SheetBeforeDoubleClick"}, {1565, L"NewWorkbook"},
    {1567, L"WorkbookOpen"},         {1570, L"WorkbookBeforeClose"},
};

constexpr EventName kPowerPointEvents[] = {
    {2004, L"PresentationClose"},
    {2006, L"PresentationOpen"},
    {2007, L"NewPresentation"},
};

constexpr EventName kButtonEvents[] = {{1, L"Click"}};

const EventsInterface kEventsInterfaces[] = {
    {L"ApplicationEvents2", officeIid(0x000209FE), kWordEvents, std::size(kWordEvents)},
    {L"ApplicationEvents3", officeIid(0x00020A00), kWordEvents, std::size(kWordEvents)},
    {L"ApplicationEvents4", officeIid(0x00020A01), kWordEvents, std::size(kWordEvents)},
    {L"AppEvents", officeIid(0x00024413), kExcelEvents, std::size(kExcelEvents)},
    {L"EApplication", powerPointIid(0x914934C2), kPowerPointEvents, std::size(kPowerPointEvents)},
    {L"_CommandBarButtonEvents", officeIid(0x000C0351), kButtonEvents, std::size(kButtonEvents)},
};

struct TypedInterface {
  const wchar_t* name;
  IID iid;
};

const TypedInterface kTypedInterfaces[] = {
    {L"Word._Application", officeIid(0x00020970)},
    {L"Excel._Application", officeIid(0x000208D5)},
    {L"PowerPoint._Application", powerPointIid(0x91493442)},
};

}  // namespace

const wchar_t* EventsInterface::nameOf(DISPID dispid) const noexcept {
  for (std::size_t i = 0; i < eventCount; ++i) {
    if (events[i].dispid == dispid) return events[i].name;
  }
  return nullptr;
}

DISPID EventsInterface::dispidOf(std::wstring_view event) const noexcept {
  for (std::size_t i = 0; i < eventCount; ++i) {
    if (platform::equalsIgnoreCase(events[i].name, event)) return events[i].dispid;
  }
  return DISPID_UNKNOWN;
}

const EventsInterface* findEventsInterface(std::wstring_view name) noexcept {
  for (const EventsInterface& candidate : kEventsInterfaces) {
    if (name == candidate.name) return &candidate;
  }
  return nullptr;
}

const IID* findTypedInterface(std::wstring_view name) noexcept {
  for (const TypedInterface& candidate : kTypedInterfaces) {
    if (name == candidate.name) return &candidate.iid;
  }
  return nullptr;
}

}  // namespace automation::win32
