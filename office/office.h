#pragma once
// The typed facade over the hosts' object models: names and types for the late-bound calls the
// add-in makes, and the Office constants. No policy and no state: each call is one member of the
// host, by the name the host gives it.

#include <cstdint>
#include <string>

#include "automation/dispatch.h"

namespace office {

using automation::Arg;
using automation::Object;
using automation::Variant;

// Control types, bar positions, button styles.
inline constexpr std::int32_t msoControlButton = 1;
inline constexpr std::int32_t msoControlPopup = 10;
inline constexpr std::int32_t msoBarLeft = 0;
inline constexpr std::int32_t msoBarTop = 1;
inline constexpr std::int32_t msoBarRight = 2;
inline constexpr std::int32_t msoBarBottom = 3;
inline constexpr std::int32_t msoBarFloating = 4;
inline constexpr std::int32_t msoButtonIcon = 1;
inline constexpr std::int32_t msoButtonIconAndCaption = 3;
// The hosts' dialogs.
inline constexpr std::int32_t msoFileDialogOpen = 1;
inline constexpr std::int32_t msoFileDialogSaveAs = 2;
inline constexpr std::int32_t wdDialogFileOpen = 80;
inline constexpr std::int32_t wdDialogFileSaveAs = 84;
inline constexpr std::int32_t wdDialogToolsOptionsFileLocations = 225;
inline constexpr std::int32_t xlDialogOpen = 1;
inline constexpr std::int32_t xlDialogSaveAs = 5;

// Host names, as the application's default member gives them.
inline constexpr wchar_t kWordName[] = L"Microsoft Word";
inline constexpr wchar_t kExcelName[] = L"Microsoft Excel";
inline constexpr wchar_t kPowerPointName[] = L"Microsoft PowerPoint";

// Typed application interfaces and the events interfaces the add-in subscribes to.
inline constexpr wchar_t kWordApplication[] = L"Word._Application";
inline constexpr wchar_t kExcelApplication[] = L"Excel._Application";
inline constexpr wchar_t kPowerPointApplication[] = L"PowerPoint._Application";
inline constexpr wchar_t kWordApplicationEvents[] = L"ApplicationEvents2";
inline constexpr wchar_t kExcelApplicationEvents[] = L"AppEvents";
inline constexpr wchar_t kPowerPointApplicationEvents[] = L"EApplication";
inline constexpr wchar_t kCommandBarButtonEvents[] = L"_CommandBarButtonEvents";

// An Object taken as the typed interface named so; raises a type mismatch (13) when it does not
// offer it, as an assignment to a typed variable does.
Object asTyped(const Object& object, const wchar_t* interfaceName);

// Excel takes the locale of each call as the locale of the member it calls, and an English Excel
// under other regional settings refuses any but English; Office's macro language always tells it
// 1033. The host's application as the add-in calls it: Excel's in locale 1033 (and so everything
// reached from it), the other hosts' as they are. Asks the typed interface, not the name: reading
// the name is already a call in some locale.
inline constexpr std::uint32_t kExcelCallLocale = 1033;
Object inHostLocale(const Object& application);

class CommandBarControl {
 public:
  explicit CommandBarControl(Object object) : object_(std::move(object)) {}
  const Object& object() const { return object_; }
  void setCaption(const std::wstring& text) const { object_.put(L"Caption", text); }
  void setTooltipText(const std::wstring& text) const { object_.put(L"TooltipText", text); }
  void setTag(const std::wstring& tag) const { object_.put(L"Tag", tag); }
  void setOnAction(const std::wstring& action) const { object_.put(L"OnAction", action); }
  void setBeginGroup(bool beginGroup) const { object_.put(L"BeginGroup", beginGroup); }
  void setEnabled(bool enabled) const { object_.put(L"Enabled", enabled); }
  bool enabled() const { return object_.get(L"Enabled").toBool(); }
  void setStyle(std::int32_t style) const { object_.put(L"Style", style); }
  void setPicture(const Object& picture) const { object_.putref(L"Picture", picture); }
  void setMask(const Object& picture) const { object_.putref(L"Mask", picture); }
  void pasteFace() const { object_.call(L"PasteFace"); }
  // Deletes the control; the optional Temporary argument is omitted.
  void remove() const { object_.call(L"Delete"); }

 private:
  Object object_;
};

class CommandBarControls {
 public:
  explicit CommandBarControls(Object object) : object_(std::move(object)) {}
  std::int32_t count() const { return object_.get(L"Count").toInt32(); }
  // Controls.Add(Type, Id, Parameter, Before, Temporary); a missing Arg omits that argument.
  Object add(Arg type, Arg id, Arg parameter, Arg before, Arg temporary) const {
    return object_.call(L"Add", {std::move(type), std::move(id), std::move(parameter), std::move(before),
                                 std::move(temporary)})
        .toObject();
  }

 private:
  Object object_;
};

class CommandBar {
 public:
  explicit CommandBar(Object object) : object_(std::move(object)) {}
  const Object& object() const { return object_; }
  CommandBarControls controls() const { return CommandBarControls(object_.get(L"Controls").toObject()); }
  // The first control of the type with the tag, or Nothing.
  Object findControl(std::int32_t type, const std::wstring& tag) const {
    return object_.call(L"FindControl", {Arg::named(L"Type", type), Arg::named(L"Tag", tag)}).toObject();
  }
  std::int32_t left() const { return object_.get(L"Left").toInt32(); }
  std::int32_t rowIndex() const { return object_.get(L"RowIndex").toInt32(); }
  std::int32_t width() const { return object_.get(L"Width").toInt32(); }
  std::int32_t position() const { return object_.get(L"Position").toInt32(); }
  void setVisible(bool visible) const { object_.put(L"Visible", visible); }
  void setPosition(std::int32_t position) const { object_.put(L"Position", position); }
  void setRowIndex(std::int32_t row) const { object_.put(L"RowIndex", row); }
  void setLeft(std::int32_t left) const { object_.put(L"Left", left); }
  void remove() const { object_.call(L"Delete"); }

 private:
  Object object_;
};

class CommandBars {
 public:
  explicit CommandBars(Object object) : object_(std::move(object)) {}
  // The active menu bar, or Nothing when the host has none.
  Object activeMenuBar() const { return object_.get(L"ActiveMenuBar").toObject(); }
  // The bar of that name; raises when there is none.
  Object item(const std::wstring& name) const { return object_.get(L"", {Arg(name)}).toObject(); }
  Object add(const std::wstring& name, std::int32_t position) const {
    return object_.call(L"Add", {Arg::named(L"Name", name), Arg::named(L"Position", position)}).toObject();
  }

 private:
  Object object_;
};

class Application {
 public:
  explicit Application(Object object) : object_(std::move(object)) {}
  const Object& object() const { return object_; }
  // The application's default member: its name.
  std::wstring name() const { return object_.get(L"").toString(); }
  std::wstring version() const { return object_.get(L"Version").toString(); }
  CommandBars commandBars() const { return CommandBars(object_.get(L"CommandBars").toObject()); }

 private:
  Object object_;
};

}  // namespace office
