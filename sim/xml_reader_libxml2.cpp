// parseXml of the native build, over libxml2.

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>
#include <string>

#include "platform/text.h"
#include "sim/xml_element.h"

namespace sim {
namespace {

std::wstring text(const xmlChar* utf8) {
  return utf8 ? platform::fromUtf8(reinterpret_cast<const char*>(utf8)) : std::wstring();
}

std::wstring qualified(const xmlNs* ns, const xmlChar* name) {
  return ns && ns->prefix ? text(ns->prefix) + L":" + text(name) : text(name);
}

bool blank(const xmlChar* content) {
  for (const xmlChar* c = content; c && *c; ++c) {
    if (*c != ' ' && *c != '\t' && *c != '\n' && *c != '\r') return false;
  }
  return true;
}

XmlElement elementOf(const xmlNode* node) {
  XmlElement element;
  element.name = qualified(node->ns, node->name);
  for (const xmlNs* ns = node->nsDef; ns; ns = ns->next) {
    element.attributes.emplace_back(ns->prefix ? L"xmlns:" + text(ns->prefix) : L"xmlns", text(ns->href));
  }
  for (const xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
    const std::unique_ptr<xmlChar, decltype(xmlFree)> value(xmlNodeGetContent(reinterpret_cast<const xmlNode*>(attribute)), xmlFree);
    element.attributes.emplace_back(qualified(attribute->ns, attribute->name), text(value.get()));
  }
  for (const xmlNode* child = node->children; child; child = child->next) {
    if (child->type == XML_ELEMENT_NODE) {
      element.children.push_back(elementOf(child));
    } else if ((child->type == XML_TEXT_NODE && !blank(child->content)) || child->type == XML_CDATA_SECTION_NODE) {
      notWellFormed(L"text inside <" + element.name + L"> at line " + std::to_wstring(child->line));
    }
  }
  return element;
}

}  // namespace

XmlElement parseXml(const std::wstring& xml) {
  const std::string utf8 = platform::toUtf8(xml);
  const std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> context(xmlNewParserCtxt(), xmlFreeParserCtxt);
  if (!context) notWellFormed(L"no memory for the parser");
  // Nothing from the network, no entity of a document type declaration expanded, nothing printed.
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  const std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> document(
      xmlCtxtReadMemory(context.get(), utf8.data(), static_cast<int>(utf8.size()), nullptr, "UTF-8", options),
      xmlFreeDoc);
  if (!document) {
    const xmlError* error = xmlCtxtGetLastError(context.get());
    notWellFormed(error && error->message
                      ? L"line " + std::to_wstring(error->line) + L": " + platform::fromUtf8(error->message)
                      : L"the parser gave no reason");
  }
  if (document->intSubset) notWellFormed(L"a document type declaration");
  const xmlNode* root = xmlDocGetRootElement(document.get());
  if (!root) notWellFormed(L"no root element");
  return elementOf(root);
}

}  // namespace sim
