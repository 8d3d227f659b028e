#pragma once
// Just enough XML for a ribbon customization: elements with attributes, comments, an optional
// declaration, the five predefined entities and character references. Text other than blanks
// between elements is refused, as the customUI schema has no element that holds text.

#include <map>
#include <string>
#include <vector>

namespace sim {

struct XmlElement {
  std::wstring name;
  std::vector<std::pair<std::wstring, std::wstring>> attributes;  // in document order
  std::vector<XmlElement> children;

  const std::wstring* attribute(const std::wstring& attributeName) const;
};

// The document's root element; raises ComError (E_FAIL) with the offset of what is not
// well-formed.
XmlElement parseXml(const std::wstring& text);

}  // namespace sim
