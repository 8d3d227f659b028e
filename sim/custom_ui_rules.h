#pragma once
// What Office's schema check of a customUI document (the 2006 namespace) refuses, for a tab of
// buttons: unknown elements and attributes, elements out of place or beyond their count, ids that
// are not XML names or are used twice, texts empty or over 1,024 characters, keytips over 3,
// Booleans other than true, false, 1 and 0, a size other than normal or large, and two attributes
// of one exclusive group. Callback names are only checked for their length: Office looks them up
// when it calls them.

#include <string>

#include "sim/xml_element.h"

namespace sim {

inline constexpr wchar_t kCustomUiNamespace2006[] = L"http://schemas.microsoft.com/office/2006/01/customui";

// Raises ComError (E_FAIL) naming the first rule the document breaks.
void checkCustomUi(const XmlElement& root);

// Whether `text` is an XML name without a colon (an NCName, what xsd:ID takes).
bool isNcName(const std::wstring& text);

}  // namespace sim
