#include "sim/custom_ui.h"

#include "sim/custom_ui_rules.h"
#include "sim/host_errors.h"
#include "sim/xml_element.h"

namespace sim {
namespace {

std::wstring attributeOr(const XmlElement& element, const wchar_t* name) {
  const std::wstring* value = element.attribute(name);
  return value ? *value : std::wstring();
}

// IRibbonControl: what a callback receives.
class RibbonControl : public SimObject {
 public:
  RibbonControl(std::wstring id, Object context) : id_(std::move(id)), context_(std::move(context)) {
    signature(L"Office.IRibbonControl");
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
    signature(L"Office.IRibbonUI");
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
  checkCustomUi(root);

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
            const std::wstring enabled = attributeOr(b, L"enabled");
            button.enabled = enabled != L"false" && enabled != L"0";
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
  // The tab is shown: every button's callbacks run. A picture that does not come leaves its button
  // without one; a callback name that does not resolve is reported now, when it is first called.
  for (auto& tab : ui->tabs_) {
    for (auto& group : tab.groups) {
      for (auto& button : group.buttons) ui->refresh(button);
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
