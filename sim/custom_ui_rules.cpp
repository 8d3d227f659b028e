#include "sim/custom_ui_rules.h"

#include <algorithm>
#include <set>
#include <vector>

#include "automation/dispatch.h"
#include "sim/host_errors.h"

namespace sim {
namespace {

constexpr std::size_t kLongestText = 1024;

[[noreturn]] void fault(const std::wstring& what) {
  throw automation::ComError(host_errors::kFail, L"The add-in's ribbon customization was refused: " + what);
}

// The attributes each element may carry, the one child element it may hold, and how many.
struct ElementRule {
  const wchar_t* name;
  const wchar_t* child;
  std::size_t fewest, most;  // children
  std::vector<std::wstring> attributes;
};

const std::vector<std::wstring> kPlacement = {L"insertAfterMso", L"insertBeforeMso", L"insertAfterQ", L"insertBeforeQ"};

const ElementRule& ruleOf(const XmlElement& element) {
  static const std::vector<ElementRule> rules = [] {
    const auto with = [](std::vector<std::wstring> own) {
      own.insert(own.end(), kPlacement.begin(), kPlacement.end());
      return own;
    };
    return std::vector<ElementRule>{
        {L"customUI", L"ribbon", 0, 1, {L"xmlns", L"onLoad"}},
        {L"ribbon", L"tabs", 0, 1, {L"startFromScratch"}},
        {L"tabs", L"tab", 1, 100, {}},
        {L"tab", L"group", 0, 100,
         with({L"id", L"idQ", L"idMso", L"label", L"getLabel", L"visible", L"getVisible", L"keytip", L"getKeytip",
               L"tag"})},
        {L"group", L"button", 0, 1000,
         with({L"id", L"idQ", L"idMso", L"label", L"getLabel", L"visible", L"getVisible", L"keytip", L"getKeytip",
               L"screentip", L"getScreentip", L"supertip", L"getSupertip", L"image", L"imageMso", L"getImage",
               L"tag"})},
        {L"button", nullptr, 0, 0,
         with({L"id", L"idQ", L"idMso", L"size", L"label", L"getLabel", L"screentip", L"getScreentip", L"supertip",
               L"getSupertip", L"image", L"imageMso", L"getImage", L"onAction", L"enabled", L"getEnabled", L"tag",
               L"visible", L"getVisible", L"showLabel", L"showImage", L"keytip", L"getKeytip", L"description"})},
    };
  }();
  for (const auto& rule : rules) {
    if (element.name == rule.name) return rule;
  }
  fault(L"unknown element <" + element.name + L">");
}

// Groups of attributes of which an element may carry one at most.
const std::vector<std::vector<std::wstring>>& exclusiveGroups() {
  static const std::vector<std::vector<std::wstring>> groups = {
      kPlacement,
      {L"id", L"idQ", L"idMso"},
      {L"label", L"getLabel"},
      {L"screentip", L"getScreentip"},
      {L"supertip", L"getSupertip"},
      {L"keytip", L"getKeytip"},
      {L"enabled", L"getEnabled"},
      {L"visible", L"getVisible"},
      {L"image", L"imageMso", L"getImage"}};
  return groups;
}

bool isNameStart(wchar_t c) {
  const auto in = [c](std::uint32_t low, std::uint32_t high) {
    return static_cast<std::uint32_t>(c) >= low && static_cast<std::uint32_t>(c) <= high;
  };
  return c == L'_' || in('A', 'Z') || in('a', 'z') || in(0xC0, 0xD6) || in(0xD8, 0xF6) || in(0xF8, 0x2FF) ||
         in(0x370, 0x37D) || in(0x37F, 0x1FFF) || in(0x200C, 0x200D) || in(0x2070, 0x218F) || in(0x2C00, 0x2FEF) ||
         in(0x3001, 0xD7FF) || in(0xF900, 0xFDCF) || in(0xFDF0, 0xFFFD) || in(0x10000, 0xEFFFF) ||
         (sizeof(wchar_t) == 2 && in(0xD800, 0xDFFF));  // UTF-16 halves of the planes above
}

bool isNameChar(wchar_t c) {
  const auto u = static_cast<std::uint32_t>(c);
  return isNameStart(c) || c == L'-' || c == L'.' || (c >= L'0' && c <= L'9') || u == 0xB7 ||
         (u >= 0x300 && u <= 0x36F) || (u >= 0x203F && u <= 0x2040);
}

struct Attribute {
  const std::wstring& element;
  const std::wstring& name;
  const std::wstring& value;
  [[noreturn]] void refuse(const std::wstring& why) const {
    fault(L"<" + element + L"> " + name + L"=\"" + value + L"\": " + why);
  }
  void lengthWithin(std::size_t most) const {
    if (value.empty() || value.size() > most) refuse(L"must have 1 to " + std::to_wstring(most) + L" characters");
  }
};

void checkAttribute(const Attribute& a, const std::set<std::wstring>& prefixes, std::set<std::wstring>& ids) {
  static const std::set<std::wstring> texts = {L"label", L"screentip", L"supertip", L"tag", L"description"};
  static const std::set<std::wstring> booleans = {L"enabled", L"visible", L"showLabel", L"showImage",
                                                  L"startFromScratch"};
  const std::wstring& name = a.name;
  if (name == L"xmlns" || name.rfind(L"xmlns:", 0) == 0) return;
  if (name == L"id") {
    a.lengthWithin(kLongestText);
    if (!isNcName(a.value)) a.refuse(L"an id is an XML name without a colon");
    if (!ids.insert(a.value).second) a.refuse(L"the id is used twice");
  } else if (name == L"idMso" || name == L"imageMso" || name == L"insertAfterMso" || name == L"insertBeforeMso") {
    if (!isNcName(a.value)) a.refuse(L"not an XML name without a colon");
  } else if (name == L"idQ" || name == L"insertAfterQ" || name == L"insertBeforeQ") {
    const std::size_t colon = a.value.find(L':');
    if (colon == std::wstring::npos || !isNcName(a.value.substr(0, colon)) || !isNcName(a.value.substr(colon + 1))) {
      a.refuse(L"a qualified name is prefix:name");
    }
    if (!prefixes.count(a.value.substr(0, colon))) a.refuse(L"its prefix is not declared");
  } else if (texts.count(name)) {
    a.lengthWithin(kLongestText);
  } else if (name == L"keytip") {
    a.lengthWithin(3);
  } else if (booleans.count(name)) {
    if (a.value != L"true" && a.value != L"false" && a.value != L"1" && a.value != L"0") {
      a.refuse(L"a Boolean is true, false, 1 or 0");
    }
  } else if (name == L"size") {
    if (a.value != L"normal" && a.value != L"large") a.refuse(L"the size is normal or large");
  } else {
    a.lengthWithin(kLongestText);  // a callback's name (looked up only when it is called), a picture's
  }
}

void check(const XmlElement& element, std::set<std::wstring> prefixes, std::set<std::wstring>& ids) {
  const ElementRule& rule = ruleOf(element);
  for (const auto& [name, value] : element.attributes) {
    if (name.rfind(L"xmlns:", 0) == 0) prefixes.insert(name.substr(6));
  }
  for (const auto& [name, value] : element.attributes) {
    const bool declaration = name.rfind(L"xmlns:", 0) == 0;
    if (!declaration && std::find(rule.attributes.begin(), rule.attributes.end(), name) == rule.attributes.end()) {
      fault(L"<" + element.name + L"> has no attribute " + name);
    }
    checkAttribute({element.name, name, value}, prefixes, ids);
  }
  for (const auto& group : exclusiveGroups()) {
    std::vector<std::wstring> given;
    for (const auto& name : group) {
      if (element.attribute(name)) given.push_back(name);
    }
    if (given.size() > 1) fault(L"<" + element.name + L"> has both " + given[0] + L" and " + given[1]);
  }
  const bool needsId = element.name == L"tab" || element.name == L"group" || element.name == L"button";
  if (needsId && !element.attribute(L"id") && !element.attribute(L"idQ") && !element.attribute(L"idMso")) {
    fault(L"<" + element.name + L"> has no id");
  }
  if (element.children.size() < rule.fewest || element.children.size() > rule.most) {
    fault(L"<" + element.name + L"> holds " + std::to_wstring(element.children.size()) + L" elements, not " +
          std::to_wstring(rule.fewest) + L" to " + std::to_wstring(rule.most));
  }
  for (const auto& child : element.children) {
    if (!rule.child || child.name != rule.child) fault(L"<" + child.name + L"> inside <" + element.name + L">");
    check(child, prefixes, ids);
  }
}

}  // namespace

bool isNcName(const std::wstring& text) {
  if (text.empty() || !isNameStart(text[0])) return false;
  return std::all_of(text.begin() + 1, text.end(), isNameChar);
}

void checkCustomUi(const XmlElement& root) {
  if (root.name != L"customUI") fault(L"the root element is <" + root.name + L">, not <customUI>");
  const std::wstring* space = root.attribute(L"xmlns");
  if (!space || *space != kCustomUiNamespace2006) fault(L"the namespace is not " + std::wstring(kCustomUiNamespace2006));
  std::set<std::wstring> ids;
  check(root, {}, ids);
}

}  // namespace sim
