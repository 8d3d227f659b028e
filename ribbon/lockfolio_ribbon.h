#pragma once
// The Lockfolio tab's side of the ribbon: the XML the host asks for and the callbacks the XML
// names. Each command's button stands for its toolbar button: a click starts what the toolbar
// button's click starts, the button is enabled when the toolbar button is, and shows the toolbar
// button's face. When the add-in switches a toolbar button on or off, the tab's button is
// invalidated through the IRibbonUI that onLoad handed over, so that the host asks again.
// No callback lets an error out: the host would show it, or drop the control.

#include <string>

#include "addin/connect.h"
#include "automation/object_factory.h"

namespace ribbon {

class LockfolioRibbon {
 public:
  LockfolioRibbon(addin::Connect& connect, const platform::Platform& platform, automation::ObjectFactory& objects)
      : connect_(connect), platform_(platform), objects_(objects) {}
  ~LockfolioRibbon();
  LockfolioRibbon(const LockfolioRibbon&) = delete;
  LockfolioRibbon& operator=(const LockfolioRibbon&) = delete;

  // IRibbonExtensibility::GetCustomUI; "" when the text cannot be built (no tab then).
  std::wstring GetCustomUI(const std::wstring& RibbonID) const noexcept;

  // The callbacks. `control` is an IRibbonControl; one that is not ours is left alone.
  void OnLoad(const automation::Object& ribbonUI) noexcept;
  void OnAction(const automation::Object& control) noexcept;
  // The toolbar button's Enabled; false when there is no toolbar button to ask (no user
  // interface was built) or it cannot be read.
  bool GetEnabled(const automation::Object& control) noexcept;
  // The face with its mask as transparency; Nothing when it cannot be made.
  automation::Object GetImage(const automation::Object& control) noexcept;

 private:
  const addin::ClassAddIn::ToolbarButton* buttonOf(const automation::Object& control) const;
  void invalidate(const addin::ClassAddIn::ToolbarButton& button) const;

  addin::Connect& connect_;
  platform::Platform platform_;
  automation::ObjectFactory& objects_;
  automation::Object ribbonUI_;
};

}  // namespace ribbon
