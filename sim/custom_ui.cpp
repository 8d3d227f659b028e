#include "sim/custom_ui.h"

#include <algorithm>
#include <set>

#include "sim/host_errors.h"
#include "sim/xml_element.h"

namespace sim {
namespace {

constexpr wchar_t kNamespace2006[] = L"http://schemas.microsoft.com/office/2006/01/customui";

[[noreturn]] void fault(const std::wstring& what) {
  throw ComError(host_errors::kFail, L"The add-in's ribbon customization was refused: " + what);
}

// The attributes each element may carry, and the one child element it may hold.
struct ElementRule {
  const wchar_t* name;
  const wchar_t* child;
  std::vector<std::wstring> attributes;
};

const ElementRule& ruleOf(const XmlElement& element) {
  static const std::vector<ElementRule> rules = {
      {L"customUI", L"ribbon", {L"xmlns", L"onLoad"}},
      {L"ribbon", L"tabs", {L"startFromScratch"}},
      {L"tabs", L"tab", {}},
      {L"tab", L"group", {L"id", L"idQ", L"idMso", L"label", L"getLabel", L"insertAfterMso", L"insertBeforeMso", L"visible", L"keytip", L"tag"}},
      {L"group", L"button", {L"id", L"idQ", L"idMso", L"label", L"getLabel", L"insertAfterMso", L"insertBeforeMso", L"visible", L"keytip", L"screentip", L"supertip", L"tag"}},
      {L"button", nullptr, {L"id", L"idQ", L"idMso", L"size", L"label", L"getLabel", L"screentip", L"getScreentip", L"supertip", L"imageMso", L"getImage", L"onAction", L"enabled", L"getEnabled", L"tag", L"visible", L"showLabel", L"showImage", L"keytip", L"description", L"insertAfterMso", L"insertBeforeMso"}},
  };
  for (const auto& rule : rules) {
    if (element.name == rule.name) return rule;
  }
  fault(L"unknown element <" + element.name + L">");
}

bool isCallback(const std::wstring& attribute) {
  return attribute.rfind(L"get", 0) == 0 || attribute.rfind(L"on", 0) == 0;
}

// A static attribute and the callbacks that give the same property exclude each other.
const std::vector<std::vector<std::wstring>>& exclusiveSets() {
  static const std::vector<std::vector<std::wstring>> sets = {
      {L"label", L"getLabel"}, {L"screentip", L"getScreentip"}, {L"enabled", L"getEnabled"}, {L"imageMso", L"getImage"},
      {L"id", L"idQ", L"idMso"}};
  return sets;
}

// Walks the document: checks every element and collects ids and callbacks.
void check(const XmlElement& element, RibbonExtensibility& addIn, std::set<std::wstring>& ids) {
  const ElementRule& rule = ruleOf(element);
  for (const auto& [name, value] : element.attributes) {
    if (std::find(rule.attributes.begin(), rule.attributes.end(), name) == rule.attributes.end()) {
      fault(L"<" + element.name + L"> has no attribute " + name);
    }
    if (isCallback(name) && !addIn.resolves(value)) fault(L"the callback " + value + L" does not resolve");
    if (name == L"id" && !ids.insert(value).second) fault(L"the id " + value + L" is used twice");
    if (name == L"size" && value != L"normal" && value != L"large") fault(L"size " + value);
  }
  for (const auto& set : exclusiveSets()) {
    const auto given = std::count_if(set.begin(), set.end(), [&](const auto& name) { return element.attribute(name); });
    if (given > 1) fault(L"<" + element.name + L"> has both " + set[0] + L" and " + set[1]);
  }
  const bool needsId = element.name == L"tab" || element.name == L"group" || element.name == L"button";
  if (needsId && !element.attribute(L"id") && !element.attribute(L"idQ") && !element.attribute(L"idMso")) {
    fault(L"<" + element.name + L"> has no id");
  }
  for (const auto& child : element.children) {
    if (!rule.child || child.name != rule.child) fault(L"<" + child.name + L"> inside <" + element.name + L">");
    check(child, addIn, ids);
  }
}

std::wstring attributeOr(const XmlElement& element, const wchar_t* name) {
  const std::wstring* value = element.attribute(name);
  return value ? *value : std::wstring();
}

// IRibbonControl: what a callback receives.
class RibbonControl : public SimObject {
 public:
  RibbonControl(std::wstring id, Object context) : id_(std::move(id)), context_(std::move(context)) {
    property(L"Id", [this](Params&) { return Variant(id_); });
    property(L"Context", [this](Params&) { return Variant(context_); });
    property(L"Tag", [](Params&) { return Variant(std::wstring()); });
  }

 private:
  std::wstring id_;
  Object context_;
};

// IRibbonUI: what onLoad receives.
class RibbonUi : public SimObject {
 public:
  explicit RibbonUi(std::weak_ptr<CustomUi> owner) : ribbon_(std::move(owner)) {
    method(L"Invalidate", {}, [this](Params&) {
      if (auto ribbon = ribbon_.lock()) ribbon->invalidate();
      return Variant();
    });
    method(L"InvalidateControl", {L"ControlID"}, [this](Params& p) {
      const std::wstring id = p.at(0).toString();
      if (auto ribbon = ribbon_.lock()) ribbon->invalidate(id);
      return Variant();
    });
  }

 private:
  std::weak_ptr<CustomUi> ribbon_;
};

}  // namespace

CustomUi::CustomUi(RibbonExtensibility& addIn, Object context, FailureSink failed)
    : addIn_(addIn), context_(std::move(context)), failed_(std::move(failed)) {}

std::shared_ptr<CustomUi> CustomUi::load(const std::wstring& xml, RibbonExtensibility& addIn, Object context,
                                         FailureSink failed) {
  const XmlElement root = parseXml(xml);
  if (root.name != L"customUI") fault(L"the root element is <" + root.name + L">, not <customUI>");
  if (attributeOr(root, L"xmlns") != kNamespace2006) fault(L"the namespace is not " + std::wstring(kNamespace2006));
  std::set<std::wstring> ids;
  check(root, addIn, ids);

  auto ui = std::make_shared<CustomUi>(addIn, std::move(context), std::move(failed));
  for (const auto& ribbon : root.children) {
    for (const auto& tabs : ribbon.children) {
      for (const auto& tabElement : tabs.children) {
        RibbonTab tab{attributeOr(tabElement, L"id"), attributeOr(tabElement, L"label"),
                      attributeOr(tabElement, L"insertAfterMso"), {}};
        for (const auto& groupElement : tabElement.children) {
          RibbonGroup group{attributeOr(groupElement, L"id"), attributeOr(groupElement, L"label"), {}};
          for (const auto& b : groupElement.children) {
            RibbonButton button;
            button.id = attributeOr(b, L"id");
            button.size = b.attribute(L"size") ? *b.attribute(L"size") : L"normal";
            button.label = attributeOr(b, L"label");
            button.screentip = attributeOr(b, L"screentip");
            button.getLabel = attributeOr(b, L"getLabel");
            button.getScreentip = attributeOr(b, L"getScreentip");
            button.getEnabled = attributeOr(b, L"getEnabled");
            button.getImage = attributeOr(b, L"getImage");
            button.onAction = attributeOr(b, L"onAction");
            button.enabled = attributeOr(b, L"enabled") != L"false";
            group.buttons.push_back(std::move(button));
          }
          tab.groups.push_back(std::move(group));
        }
        ui->tabs_.push_back(std::move(tab));
      }
    }
  }
  if (const std::wstring* onLoad = root.attribute(L"onLoad")) {
    ui->ribbonUI_ = std::make_shared<RibbonUi>(ui)->self();
    std::vector<Arg> args{Arg(Variant(ui->ribbonUI_))};
    try {
      addIn.invokeCallback(*onLoad, args);
    } catch (const ComError& error) {
      ui->failed_(*onLoad, error);
    }
  }
  // The tab is shown: every button's callbacks run, and every image must load.
  for (auto& tab : ui->tabs_) {
    for (auto& group : tab.groups) {
      for (auto& button : group.buttons) {
        ui->refresh(button);
        if (!button.getImage.empty() && !button.image) fault(L"the image of " + button.id + L" did not load");
      }
    }
  }
  return ui;
}

bool CustomUi::call(const std::wstring& callback, const RibbonButton& button, Variant& result) {
  std::vector<Arg> args{Arg(Variant(std::make_shared<RibbonControl>(button.id, context_)->self()))};
  try {
    result = addIn_.invokeCallback(callback, args);
    return true;
  } catch (const ComError& error) {
    failed_(callback, error);
    return false;
  }
}

void CustomUi::refresh(RibbonButton& button) {
  button.stale = false;
  Variant result;
  const auto text = [&](const std::wstring& callback, std::wstring& target) {
    if (!callback.empty() && call(callback, button, result)) target = result.toString();
  };
  text(button.getLabel, button.label);
  text(button.getScreentip, button.screentip);
  if (!button.getEnabled.empty() && call(button.getEnabled, button, result)) {
    try {
      button.enabled = result.toBool();
    } catch (const ComError& error) {
      failed_(button.getEnabled, error);
    }
  }
  if (!button.getImage.empty() && call(button.getImage, button, result)) {
    auto* picture = result.isObject() ? result.toObject().as<Picture>() : nullptr;
    if (picture) button.image = std::static_pointer_cast<Picture>(picture->shared_from_this());
  }
}

RibbonButton* CustomUi::find(const std::wstring& id) {
  for (auto& tab : tabs_) {
    for (auto& group : tab.groups) {
      for (auto& button : group.buttons) {
        if (button.id == id) return &button;
      }
    }
  }
  return nullptr;
}

const RibbonButton* CustomUi::button(const std::wstring& id) {
  RibbonButton* found = find(id);
  if (found && found->stale) refresh(*found);
  return found;
}

bool CustomUi::click(const std::wstring& id) {
  const RibbonButton* found = button(id);
  if (!found || !found->enabled) return false;
  Variant ignored;
  if (!found->onAction.empty()) call(found->onAction, *found, ignored);
  return true;
}

void CustomUi::invalidate(const std::wstring& id) {
  for (auto& tab : tabs_) {
    for (auto& group : tab.groups) {
      for (auto& button : group.buttons) {
        if (id.empty() || button.id == id) button.stale = true;
      }
    }
  }
}

}  // namespace sim
