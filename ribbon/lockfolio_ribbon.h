#pragma once
// The Lockfolio tab's side of the ribbon: the XML the host asks for and the callbacks the XML
// names. Each command's button follows the add-in's own state of the command, not its toolbar
// button, which the user may have removed: a click starts what the toolbar button's click starts,
// the button is enabled when the add-in has the command available, and shows the command's
// picture drawn for the host window's display scale. When the add-in switches a command on or
// off, or finds the scale changed since the pictures were drawn, the tab's buttons are
// invalidated through the IRibbonUI that onLoad handed over, so that the host asks again.
// No callback lets an error out: the host would show it, or drop the control.

#include <cstdint>
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
  // Whether the add-in has the command available.
  bool GetEnabled(const automation::Object& control) noexcept;
  // The command's 32-bit picture with alpha for the display scale now; Nothing when it cannot be made.
  automation::Object GetImage(const automation::Object& control) noexcept;

 private:
  const addin::ClassAddIn::ToolbarButton* buttonOf(const automation::Object& control) const;
  void invalidate(const addin::ClassAddIn::ToolbarButton& button) const;
  // Invalidates each button whose picture was drawn for another scale than the one now.
  void followScale();

  addin::Connect& connect_;
  platform::Platform platform_;
  automation::ObjectFactory& objects_;
  automation::Object ribbonUI_;
  // The scale the host last got each button's picture for (by the button's place); 0 for none.
  std::uint32_t pictureDpi_[3] = {};
};

}  // namespace ribbon
