#pragma once
// A ribbon customization's XML as a tree of elements with their attributes, read by a well-kept
// XML parser: libxml2 in the native build, the system's MSXML (Wine's, on Windows Microsoft's) in
// the Windows build, where Debian has no libxml2 to link. Both refuse what is not well-formed XML
// (control characters, names that begin with a digit, ...) and a document type declaration, and
// give namespace declarations as attributes ("xmlns", "xmlns:q"). Text other than blanks between
// elements is refused, as the customUI schema has no element that holds text.

#include <string>
#include <vector>

namespace sim {

struct XmlElement {
  std::wstring name;  // as written, with its prefix
  std::vector<std::pair<std::wstring, std::wstring>> attributes;
  std::vector<XmlElement> children;

  const std::wstring* attribute(const std::wstring& attributeName) const;
};

// The document's root element; raises ComError (E_FAIL) saying where it is not well-formed.
XmlElement parseXml(const std::wstring& text);

// What parseXml raises.
[[noreturn]] void notWellFormed(const std::wstring& what);

}  // namespace sim
