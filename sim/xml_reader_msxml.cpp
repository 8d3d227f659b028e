// parseXml of the Windows build, over the system's MSXML 6 (a DOM document through late binding):
// Debian has no libxml2 for MinGW-w64, and MSXML is what Office itself reads customUI with.

#include <string>

#include "automation/dispatch.h"
#include "automation/win32/com_object_factory.h"
#include "sim/xml_element.h"

namespace sim {
namespace {

using automation::Arg;
using automation::Object;
using automation::Variant;

// DOMNodeType values.
constexpr std::int32_t kElement = 1;
constexpr std::int32_t kText = 3;
constexpr std::int32_t kCData = 4;

bool blank(const std::wstring& text) { return text.find_first_not_of(L" \t\r\n") == std::wstring::npos; }

Object item(const Object& list, std::int32_t index) { return list.get(L"item", {Arg(index)}).toObject(); }

XmlElement elementOf(const Object& node, const std::wstring& parentNamespace) {
  XmlElement element;
  element.name = node.get(L"nodeName").toString();
  // Microsoft's MSXML lists namespace declarations among the attributes, as they are written.
  // Walked with nextNode: Wine's attribute map fails item() called through IDispatch.
  const Object attributes = node.get(L"attributes").toObject();
  attributes.call(L"reset");
  for (Object attribute = attributes.call(L"nextNode").toObject(); attribute;
       attribute = attributes.call(L"nextNode").toObject()) {
    element.attributes.emplace_back(attribute.get(L"nodeName").toString(), attribute.get(L"nodeValue").toString());
  }
  // An MSXML that leaves them out (some of Wine's) still tells an element's own namespace: a default
  // one that differs from the parent's was declared here.
  const std::wstring space = node.get(L"namespaceURI").toString();
  if (!element.attribute(L"xmlns") && node.get(L"prefix").toString().empty() && space != parentNamespace) {
    element.attributes.emplace_back(L"xmlns", space);
  }
  const Object children = node.get(L"childNodes").toObject();
  for (std::int32_t i = 0, count = children.get(L"length").toInt32(); i < count; ++i) {
    const Object child = item(children, i);
    const std::int32_t type = child.get(L"nodeType").toInt32();
    if (type == kElement) {
      element.children.push_back(elementOf(child, space));
    } else if ((type == kText && !blank(child.get(L"nodeValue").toString())) || type == kCData) {
      notWellFormed(L"text inside <" + element.name + L">");
    }
  }
  return element;
}

}  // namespace

XmlElement parseXml(const std::wstring& xml) {
  automation::win32::ComObjectFactory factory;
  const Object document = factory.create(L"Msxml2.DOMDocument.6.0");
  document.put(L"async", Variant(false));
  // MSXML 6 refuses a document type declaration by default; say so, whatever the default becomes.
  document.call(L"setProperty", {Arg(std::wstring(L"ProhibitDTD")), Arg(Variant(true))});
  if (!document.call(L"loadXML", {Arg(xml)}).toBool()) {
    const Object error = document.get(L"parseError").toObject();
    notWellFormed(L"line " + error.get(L"line").toString() + L": " + error.get(L"reason").toString());
  }
  const Object root = document.get(L"documentElement").toObject();
  if (!root) notWellFormed(L"no root element");
  return elementOf(root, std::wstring());
}

}  // namespace sim
