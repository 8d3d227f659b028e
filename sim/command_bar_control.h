#pragma once
// A command-bar control: a button (msoControlButton, 1) or a popup menu (msoControlPopup, 10).
// Everything a control shows is readable from C++ so that tests can see what the user sees.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/bar_context.h"
#include "sim/host_object.h"

namespace sim {

class CommandBar;

enum class ControlType : std::int32_t { Button = 1, Popup = 10 };

class CommandBarControl : public HostObject {
 public:
  static std::shared_ptr<CommandBarControl> create(std::shared_ptr<BarContext> context, ControlType type,
                                                   std::int32_t id, bool builtIn, bool temporary);

  // A button is no CommandBarPopup and a popup no CommandBarButton.
  bool implements(std::wstring_view interfaceName) const override;
  // The version of the host run that shows the control now: a control kept from a run of Office XP
  // has no Picture in Office 2000.
  int signatureVersion() const override;

  ControlType type() const { return type_; }
  std::int32_t id() const { return id_; }
  bool builtIn() const { return builtIn_; }
  bool isTemporary() const { return temporary_; }
  const std::wstring& caption() const { return caption_; }
  const std::wstring& tooltipText() const { return tooltipText_; }
  // What the user sees when the mouse rests on it: the tooltip, else the caption without its "&".
  std::wstring screenTip() const;
  const std::wstring& tag() const { return tag_; }
  const std::wstring& onAction() const { return onAction_; }
  const std::wstring& parameter() const { return parameter_; }
  bool beginGroup() const { return beginGroup_; }
  bool enabled() const { return enabled_; }
  bool visible() const { return visible_; }
  std::int32_t style() const { return style_; }
  std::int32_t faceId() const { return faceId_; }
  // The face: a picture and mask set through Picture and Mask, or a bitmap pasted from the
  // clipboard by PasteFace. Setting one replaces the other.
  const Object& picture() const { return picture_; }
  const Object& mask() const { return mask_; }
  std::optional<std::vector<std::uint8_t>> pictureDib() const;
  std::optional<std::vector<std::uint8_t>> maskDib() const;
  const std::optional<std::vector<std::uint8_t>>& pastedFace() const { return pastedFace_; }
  bool hasFace() const { return static_cast<bool>(picture_) || pastedFace_.has_value(); }
  // 1-based position among its siblings; 0 once it is no longer on a bar.
  std::int32_t index() const;
  std::int32_t width() const;
  std::shared_ptr<CommandBar> parent() const { return parent_.lock(); }
  // A popup's own menu; null for a button.
  const std::shared_ptr<CommandBar>& menu() const { return menu_; }
  // A popup's controls; empty for a button.
  const std::vector<std::shared_ptr<CommandBarControl>>& controls() const;

  // Changes as the user makes them in the Customize dialog, and as the hosts set up their own.
  void setCaption(std::wstring value) { caption_ = std::move(value); }
  void setTooltipText(std::wstring value) { tooltipText_ = std::move(value); }
  void setTag(std::wstring value) { tag_ = std::move(value); }
  void setOnAction(std::wstring value) { onAction_ = std::move(value); }
  void setParameter(std::wstring value) { parameter_ = std::move(value); }
  void setBeginGroup(bool value) { beginGroup_ = value; }
  void setEnabled(bool value) { enabled_ = value; }
  void setVisible(bool value) { visible_ = value; }
  void setStyle(std::int32_t value) { style_ = value; }
  // Takes the control off its bar, as Delete does: for good, or with `temporary` only until the
  // host's run ends. Raises for a control that is gone already.
  void remove(bool temporary);

  // For the hosts: raises Click to the connected handlers.
  void fireClick(std::vector<Arg>& args, const std::function<void(const ComError&)>& failed) {
    raiseEach(L"Click", args, failed);
  }
  // For the bars.
  void attach(const std::shared_ptr<CommandBar>& parent) { parent_ = parent; }
  void detach() { parent_.reset(); }
  // A fresh control with the same settings and (for a popup) copies of its controls, on no bar.
  std::shared_ptr<CommandBarControl> cloneDetached() const;
  // The control and everything in it is gone; each later use raises.
  void retireTree();
  // The host's run ends: temporary controls inside a popup go, and no handler stays connected.
  void endRun();

  // Use create().
  CommandBarControl(std::shared_ptr<BarContext> context, ControlType type, std::int32_t id, bool builtIn,
                    bool temporary);

 private:
  void registerMembers();
  void requirePictures(const wchar_t* member) const;
  void setPictureMember(Object& target, const Variant& value);

  std::shared_ptr<BarContext> context_;
  ControlType type_;
  std::int32_t id_;
  bool builtIn_;
  bool temporary_;
  std::wstring caption_;
  std::wstring tooltipText_;
  std::wstring tag_;
  std::wstring onAction_;
  std::wstring parameter_;
  std::wstring descriptionText_;
  bool beginGroup_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  std::int32_t style_ = 0;  // msoButtonAutomatic
  std::int32_t faceId_ = 0;
  std::int32_t state_ = 0;  // msoButtonUp
  Object picture_;
  Object mask_;
  std::optional<std::vector<std::uint8_t>> pastedFace_;
  std::weak_ptr<CommandBar> parent_;
  std::shared_ptr<CommandBar> menu_;
};

// The caption as the user reads it: "&Open..." shows as "Open...", "&&" as "&".
std::wstring withoutAccelerator(const std::wstring& caption);

}  // namespace sim
