#pragma once
// An add-in's ribbon customization as a host of version 12.0 and later loads and shows it. The
// XML is read by a real XML parser and checked as Office's schema check does (custom_ui_rules.h);
// any fault drops the whole customization. Then onLoad receives the IRibbonUI, and the get...
// callbacks of a control run before it is first shown and again after it was invalidated. A
// failing callback, or one whose name does not resolve, leaves the control as it was and is
// reported to the host; a button whose picture does not come shows none.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/picture.h"
#include "sim/ribbon_extensibility.h"

namespace sim {

struct RibbonButton {
  std::wstring id;
  std::wstring size;  // "normal" or "large"
  std::wstring label;
  std::wstring screentip;
  std::wstring getLabel, getScreentip, getEnabled, getImage, onAction;  // callback names, or empty
  bool enabled = true;
  std::shared_ptr<Picture> image;
  bool stale = true;  // its get... callbacks run before it is shown next
};

struct RibbonGroup {
  std::wstring id;
  std::wstring label;
  std::vector<RibbonButton> buttons;
};

struct RibbonTab {
  std::wstring id;
  std::wstring label;
  std::wstring insertAfterMso;
  std::vector<RibbonGroup> groups;
};

class CustomUi : public std::enable_shared_from_this<CustomUi> {
 public:
  using FailureSink = std::function<void(const std::wstring& callback, const ComError& error)>;

  // Raises ComError naming the first fault. `context` is what IRibbonControl.Context gives.
  static std::shared_ptr<CustomUi> load(const std::wstring& xml, RibbonExtensibility& addIn, Object context,
                                        FailureSink failed);

  const std::vector<RibbonTab>& tabs() const { return tabs_; }
  // The button as the user sees it now; null when there is none with that id.
  const RibbonButton* button(const std::wstring& id);
  // False when there is no such button or it is disabled; otherwise its onAction runs.
  bool click(const std::wstring& id);
  // What IRibbonUI's Invalidate (no id) and InvalidateControl do.
  void invalidate(const std::wstring& id = {});

  CustomUi(RibbonExtensibility& addIn, Object context, FailureSink failed);

 private:
  RibbonButton* find(const std::wstring& id);
  void refresh(RibbonButton& button);
  // Calls a callback with the control (the IRibbonControl) as its argument; failures go to the sink.
  bool call(const std::wstring& callback, const RibbonButton& button, Variant& result);

  RibbonExtensibility& addIn_;
  Object context_;
  FailureSink failed_;
  std::vector<RibbonTab> tabs_;
  Object ribbonUI_;
};

}  // namespace sim
