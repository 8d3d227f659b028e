#include "sim/xml_element.h"

#include "automation/dispatch.h"
#include "sim/host_errors.h"

namespace sim {

const std::wstring* XmlElement::attribute(const std::wstring& attributeName) const {
  for (const auto& [key, value] : attributes) {
    if (key == attributeName) return &value;
  }
  return nullptr;
}

void notWellFormed(const std::wstring& what) {
  throw automation::ComError(host_errors::kFail, L"The XML is not well-formed: " + what);
}

}  // namespace sim
