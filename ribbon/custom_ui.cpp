#include "ribbon/custom_ui.h"

#include "addin/class_addin.h"
#include "addin/messages.h"

namespace ribbon {
namespace {

// Text as an attribute value in double quotes.
std::wstring escaped(std::wstring_view text) {
  std::wstring out;
  for (const wchar_t c : text) {
    switch (c) {
      case L'&': out += L"&amp;"; break;
      case L'<': out += L"&lt;"; break;
      case L'>': out += L"&gt;"; break;
      case L'"': out += L"&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::wstring attribute(const wchar_t* name, std::wstring_view value) {
  return std::wstring(L" ") + name + L"=\"" + escaped(value) + L"\"";
}

}  // namespace

std::wstring ButtonId(std::wstring_view toolbarTag) { return kIdPrefix + std::wstring(toolbarTag); }

std::wstring CustomUi(const platform::Platform& platform, std::wstring_view ribbonId) {
  if (ribbonId != kWordDocument && ribbonId != kExcelWorkbook && ribbonId != kPowerPointPresentation) return {};
  const auto message = [&](std::int32_t id) { return addin::GetMessage(platform, id); };
  std::wstring xml = std::wstring(L"<customUI") + attribute(L"xmlns", kCustomUiNamespace) +
                     attribute(L"onLoad", kOnLoad) + L">\n <ribbon>\n  <tabs>\n";
  xml += L"   <tab" + attribute(L"id", std::wstring(kIdPrefix) + L"Tab") +
         attribute(L"label", message(addin::message::kMenuCaption)) + attribute(L"insertAfterMso", L"TabHome") +
         L">\n";
  xml += L"    <group" + attribute(L"id", std::wstring(kIdPrefix) + L"Group") +
         attribute(L"label", message(addin::message::kToolbarName)) + L">\n";
  for (const auto& button : addin::ClassAddIn::ToolbarButtons()) {
    const std::wstring caption = message(button.tooltipId);
    xml += L"     <button" + attribute(L"id", ButtonId(button.tag)) + attribute(L"size", L"large") +
           attribute(L"label", caption) + attribute(L"screentip", caption) + attribute(L"getImage", kGetImage) +
           attribute(L"getEnabled", kGetEnabled) + attribute(L"onAction", kOnAction) + L"/>\n";
  }
  xml += L"    </group>\n   </tab>\n  </tabs>\n </ribbon>\n</customUI>\n";
  return xml;
}

}  // namespace ribbon
