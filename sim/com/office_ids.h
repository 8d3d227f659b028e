#pragma once
// The interface identifiers and event DISPIDs of Office that the test host shows to the add-in:
// the hosts' typed application interfaces, their events interfaces, and the command-bar button's.

#include <windows.h>

#include <ole2.h>

#include <string_view>

namespace wine_host {

// The hosts' typed application interfaces, which a bridged application answers QueryInterface for.
inline constexpr IID kIidWordApplication = {0x00020970, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID kIidExcelApplication = {0x000208D5, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID kIidPowerPointApplication = {
    0x91493442, 0x5A91, 0x11CF, {0x87, 0x00, 0x00, 0xAA, 0x00, 0x60, 0x26, 0x3B}};

// Events interfaces (dispinterfaces).
inline constexpr IID kIidWordApplicationEvents2 = {0x000209FE, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID kIidWordApplicationEvents3 = {0x00020A00, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID kIidWordApplicationEvents4 = {0x00020A01, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID kIidExcelAppEvents = {0x00024413, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID kIidPowerPointEApplication = {
    0x914934C2, 0x5A91, 0x11CF, {0x87, 0x00, 0x00, 0xAA, 0x00, 0x60, 0x26, 0x3B}};
inline constexpr IID kIidCommandBarButtonEvents = {0x000C0351, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// The typed interface named as `Dispatchable::implements` names it ("Word._Application") for an
// IID that a bridge answers QueryInterface for with its IDispatch; null for any other IID.
const wchar_t* typedInterfaceName(REFIID iid);

// The name under which a simulated object raises the events of this events IID
// ("ApplicationEvents2", "AppEvents", "EApplication", "_CommandBarButtonEvents"); null for an IID
// that is no events interface of Office. Word's ApplicationEvents3 and 4 carry the events of
// ApplicationEvents2 with the same DISPIDs.
const wchar_t* eventsInterfaceName(REFIID iid);

// The DISPID of an event of an events interface (named as above); false when the table has none.
bool eventDispid(std::wstring_view eventsInterface, std::wstring_view event, DISPID& dispid);

}  // namespace wine_host
