#pragma once
// The Office interfaces the add-in names: the typed application interfaces (what
// Object::implements asks for) and the events interfaces with the names of their DISPIDs.
// Neither the MinGW-w64 nor the Wine headers declare them.

#include <objbase.h>

#include <cstddef>
#include <string_view>

namespace automation::win32 {

struct EventName {
  DISPID dispid;
  const wchar_t* name;
};

struct EventsInterface {
  const wchar_t* name;  // "ApplicationEvents2"
  IID iid;
  const EventName* events;
  std::size_t eventCount;

  // The event's name, or null for a DISPID the add-in does not know.
  const wchar_t* nameOf(DISPID dispid) const noexcept;
  // The DISPID of an event name (case-insensitive), or DISPID_UNKNOWN.
  DISPID dispidOf(std::wstring_view event) const noexcept;
};

// The events interface of that name (exact spelling, as the add-in's code writes it); null if unknown.
const EventsInterface* findEventsInterface(std::wstring_view name) noexcept;

// The IID of a typed interface ("Word._Application"); null if unknown.
const IID* findTypedInterface(std::wstring_view name) noexcept;

}  // namespace automation::win32
