#include "ribbon/lockfolio_ribbon.h"

#include "addin/error_trap.h"
#include "ribbon/custom_ui.h"
#include "ribbon/ribbon_pictures.h"

#include <iterator>

namespace ribbon {

using addin::ignoringErrors;
using automation::Arg;
using automation::Object;

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

void LockfolioRibbon::followScale() {
  const std::uint32_t dpi = platform_.ui.windowDpi();
  const auto& buttons = addin::ClassAddIn::ToolbarButtons();
  for (std::size_t i = 0; i < buttons.size() && i < std::size(pictureDpi_); ++i) {
    if (pictureDpi_[i] == 0 || pictureDpi_[i] == dpi) continue;
    pictureDpi_[i] = 0;
    invalidate(buttons[i]);
  }
}

void LockfolioRibbon::OnLoad(const Object& ribbonUI) noexcept {
  ignoringErrors([&] {
    ribbonUI_ = ribbonUI;
    // Each change of a command's state is also a moment to notice a changed display scale.
    connect_.addIn().SetEnabledObserver([this](const auto& button) {
      invalidate(button);
      followScale();
    });
  });
}

void LockfolioRibbon::OnAction(const Object& control) noexcept {
  ignoringErrors([&] {
    followScale();
    const auto* button = buttonOf(control);
    if (!button) return;
    // The command traps and reports its own errors.
    connect_.addIn().StartCommand(*button);
  });
}

bool LockfolioRibbon::GetEnabled(const Object& control) noexcept {
  bool enabled = true;  // the host's default for a control that is not ours
  ignoringErrors([&] {
    const auto* button = buttonOf(control);
    if (button) enabled = connect_.addIn().CommandEnabled(*button);
  });
  return enabled;
}

Object LockfolioRibbon::GetImage(const Object& control) noexcept {
  // A host shows no tab whose images do not all load: a refused step is tried once more.
  Object picture;
  ignoringErrors([&] {
    const auto* button = buttonOf(control);
    if (!button) return;
    addin::retryingOnce([&] {
      const std::uint32_t dpi = platform_.ui.windowDpi();
      const auto index = static_cast<std::size_t>(button - addin::ClassAddIn::ToolbarButtons().data());
      const auto dib = platform_.resources.loadBitmap(PictureId(index, PictureSide(dpi)));
      if (!dib) return;
      picture = objects_.picture(*dib);
      if (index < std::size(pictureDpi_)) pictureDpi_[index] = dpi;
    });
  });
  return picture;
}

}  // namespace ribbon
