#include "ribbon/lockfolio_ribbon.h"

#include "addin/error_trap.h"
#include "office/office.h"
#include "ribbon/custom_ui.h"
#include "ribbon/ribbon_faces.h"

namespace ribbon {

using addin::ignoringErrors;
using automation::Arg;
using automation::Object;
using automation::Variant;

LockfolioRibbon::~LockfolioRibbon() {
  // The ClassAddIn may outlive this object; it must not call into it afterwards.
  if (const auto& addIn = connect_.g_objAddIn()) addIn->SetEnabledObserver({});
}

std::wstring LockfolioRibbon::GetCustomUI(const std::wstring& RibbonID) const noexcept {
  std::wstring xml;
  ignoringErrors([&] { xml = CustomUi(platform_, RibbonID); });
  return xml;
}

const addin::ClassAddIn::ToolbarButton* LockfolioRibbon::buttonOf(const Object& control) const {
  // A host that refuses a call for a moment must not cost a click or the tab.
  std::wstring id;
  addin::retryingOnce([&] { id = control.get(L"Id").toString(); });
  for (const auto& button : addin::ClassAddIn::ToolbarButtons()) {
    if (id == ButtonId(button.tag)) return &button;
  }
  return nullptr;
}

void LockfolioRibbon::invalidate(const addin::ClassAddIn::ToolbarButton& button) const {
  if (!ribbonUI_) return;
  ignoringErrors([&] { ribbonUI_.call(L"InvalidateControl", {Arg(ButtonId(button.tag))}); });
}

void LockfolioRibbon::OnLoad(const Object& ribbonUI) noexcept {
  ignoringErrors([&] {
    ribbonUI_ = ribbonUI;
    connect_.addIn().SetEnabledObserver([this](const auto& button) { invalidate(button); });
  });
}

void LockfolioRibbon::OnAction(const Object& control) noexcept {
  ignoringErrors([&] {
    const auto* button = buttonOf(control);
    if (!button) return;
    addin::ClassAddIn& addIn = connect_.addIn();
    // The toolbar button's own click handler: the command traps and reports its own errors.
    Variant cancelDefault(false);
    (addIn.*button->click)((addIn.*button->field).object(), cancelDefault);
  });
}

bool LockfolioRibbon::GetEnabled(const Object& control) noexcept {
  bool enabled = true;  // the host's default for a control that is not ours
  ignoringErrors([&] {
    const auto* button = buttonOf(control);
    if (!button) return;
    enabled = false;
    const addin::ClassAddIn& addIn = connect_.addIn();
    const office::CommandBarControl toolbarButton((addIn.*button->field).object());
    addin::retryingOnce([&] { enabled = toolbarButton.enabled(); });
  });
  return enabled;
}

Object LockfolioRibbon::GetImage(const Object& control) noexcept {
  // A host shows no tab whose images do not all load: a refused step is tried once more.
  Object picture;
  ignoringErrors([&] {
    addin::retryingOnce([&] {
      const auto* button = buttonOf(control);
      if (!button) return;
      const auto face = platform_.resources.loadBitmap(button->faceId);
      const auto mask = platform_.resources.loadBitmap(button->maskId);
      if (!face || !mask) throw automation::ComError(326, L"The button's face is not in the resources");
      picture = objects_.picture(FaceWithAlpha(*face, *mask));
    });
  });
  return picture;
}

}  // namespace ribbon
