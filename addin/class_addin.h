#pragma once
// ClassAddIn: the whole state of the add-in and all of its work. It builds the Lockfolio menu and
// toolbar, receives the host's application events and the clicks of its controls, and runs the
// commands. Its procedures live in the folder of their subsystem (commandbars/, commands/, events/).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "addin/event_source.h"
#include "automation/dispatch.h"
#include "automation/object_factory.h"
#include "platform/com_error.h"
#include "platform/platform.h"
#include "support/cls_session_folder.h"

namespace addin {

using automation::Arg;
using automation::ComError;
using automation::Object;
using automation::Variant;

// Which application the add-in runs in, worked out from the host's name each time it is needed.
enum HostKindValue : std::int16_t { kHostWord = 1, kHostExcel = 2, kHostPowerPoint = 3 };

class ClassAddIn {
 public:
  ClassAddIn(const platform::Platform& platform, automation::ObjectFactory& objects);
  ~ClassAddIn();
  ClassAddIn(const ClassAddIn&) = delete;
  ClassAddIn& operator=(const ClassAddIn&) = delete;

  // --- The state record ---------------------------------------------------------------------
  Object g_objHostApp;
  Object g_objSelf;
  Object g_cbpLockfolioMenu;
  Object g_cbLockfolioToolbar;
  std::wstring strCurrentOperation;
  std::shared_ptr<support::clsSessionFolder> strSessionFolderName;
  EventSource g_appWord;
  EventSource g_appExcel;
  EventSource g_appPPT;
  EventSource g_cbbSOpenMenuItem;
  EventSource g_cbbSSaveMenuItem;
  EventSource g_cbbSSaveAsMenuItem;
  EventSource g_cbbSOpenButton;
  EventSource g_cbbSSaveButton;
  EventSource g_cbbSSaveAsButton;

  // --- Start-up and shut-down; neither lets an error out ---------------------------------------
  void DoOnConnection(const Object& Application, std::int32_t ConnectMode, const Object& AddInInst, Variant& custom);
  void CleanUp();

  // --- The storage folder for COM clients -------------------------------------------------------
  std::wstring GetFileStorageLocation(std::int32_t& lLen);

  // --- Event handlers ---------------------------------------------------------------------------
  void g_cbbSOpenMenuItem_Click(const Object& Ctrl, Variant& CancelDefault);
  void g_cbbSSaveMenuItem_Click(const Object& Ctrl, Variant& CancelDefault);
  void g_cbbSSaveAsMenuItem_Click(const Object& Ctrl, Variant& CancelDefault);
  void g_cbbSOpenButton_Click(const Object& Ctrl, Variant& CancelDefault);
  void g_cbbSSaveButton_Click(const Object& Ctrl, Variant& CancelDefault);
  void g_cbbSSaveAsButton_Click(const Object& Ctrl, Variant& CancelDefault);
  void g_appWord_NewDocument(const Object& Doc);
  void g_appWord_DocumentOpen(const Object& Doc);
  void g_appWord_DocumentBeforeSave(const Object& Doc, Variant& SaveAsUI, Variant& Cancel);
  void g_appWord_DocumentBeforeClose(const Object& Doc, Variant& Cancel);
  void g_appExcel_NewWorkbook(const Object& Wb);
  void g_appExcel_WorkbookOpen(const Object& Wb);
  void g_appExcel_WorkbookBeforeClose(const Object& Wb, Variant& Cancel);
  void g_appExcel_SheetBeforeDoubleClick(const Object& Sh, const Object& Target, Variant& Cancel);
  void g_appExcel_SheetSelectionChange(const Object& Sh, const Object& Target);
  void g_appPPT_NewPresentation(const Object& Pres);
  void g_appPPT_PresentationOpen(const Object& Pres);
  void g_appPPT_PresentationClose(const Object& Pres);

  // --- The three commands -----------------------------------------------------------------------
  void OpenEncryptedFile();
  void SaveAndEncrypt();
  void SaveAsAndEncrypt();

  // --- What other faces of the commands (the ribbon) share with the toolbar ----------------------
  // One command's toolbar button, its menu item, its click handler and its pictures.
  struct ToolbarButton {
    EventSource ClassAddIn::*field;
    EventSource ClassAddIn::*menuItem;
    void (ClassAddIn::*click)(const Object&, Variant&);
    const wchar_t* tag;
    std::int32_t tooltipId;
    std::int32_t faceId;
    std::int32_t maskId;
  };
  static const std::vector<ToolbarButton>& ToolbarButtons();
  // Told of each command whose availability the add-in has just set, so that another face of the
  // same command can follow it.
  void SetEnabledObserver(std::function<void(const ToolbarButton&)> observer) { enabledObserver_ = std::move(observer); }
  // Whether the command is available: the add-in's own state, which its menu item, its toolbar
  // button and its ribbon button all follow, whether or not those controls exist.
  bool CommandEnabled(const ToolbarButton& button) const;
  // Starts the command as its toolbar button's click does, from a face that is not one of its
  // controls (the ribbon): a toolbar that is gone then leaves no placement to store, and no error.
  void StartCommand(const ToolbarButton& button);

 private:
  // Host kind: 1 Word, 2 Excel, 3 PowerPoint and every other name.
  std::int16_t HostKind() const;
  std::wstring HostName() const;
  std::wstring GetMessage(std::int32_t id) const;
  void ShowErrorMessage(const ComError& error, std::int16_t id) const;

  // Menu.
  void RemoveMenu();
  void AddMenu();
  void AddOpenMenuItem();
  void AddSaveMenuItem();
  void AddSaveAsMenuItem();
  void AddMenuItem(EventSource& field, const wchar_t* tag, std::int32_t captionId, bool beginGroup);

  // Toolbar.
  // Where the toolbar is, as the registry keeps it per host.
  struct ToolbarPlacement {
    std::int32_t left = 0;
    std::int32_t rowIndex = 0;
    std::int32_t width = 0;
    std::int32_t position = 0;
  };
  // Puts the toolbar where the registry says, or where `placement` says when the caller has just
  // stored it there (reading it back would give the same).
  void AddToolbar(const ToolbarPlacement* placement = nullptr);
  void AddToolbarButton(const ToolbarButton& button);
  void RefreshToolbar(const ToolbarPlacement* placement = nullptr);
  void SetButtonFaces();
  Object LoadPicture(std::int32_t id, std::vector<std::uint8_t>* dib = nullptr) const;
  void EnableSaveCommands(const bool& bEnable);
  // A command's menu item and toolbar button, switched together: when the button refuses, the
  // item follows the button's state again, so that the two (and the ribbon) agree.
  void EnablePair(const EventSource& menuItem, const EventSource& button, bool enable);
  void EnableOpenCommands(bool bEnable);
  void NotifyEnabled(EventSource ClassAddIn::*button) const;
  std::wstring OnActionOfSelf() const;

  // Commands and the procedures they share.
  bool CheckActiveDocument();
  bool IsNewDocument();
  bool LoginToVault(std::wstring& strVaultRoot);
  Object ActiveDocumentOfHost(const std::wstring& hostName) const;
  std::int16_t PowerPointVersion() const;
  // Reads the toolbar's placement into `placement` and stores it. False when nothing was stored: a
  // toolbar the add-in did not put in place holds no placement of the user's, and a registry that
  // refused the values keeps what it had. With `toolbarMayBeGone`, a toolbar that was never built or
  // that the user removed stores nothing.
  bool StoreToolbarPlacement(std::int16_t hostKind, ToolbarPlacement& placement, bool toolbarMayBeGone = false);
  void ShowWordFileDialog(std::int32_t dialog, const std::wstring& vaultRoot);
  void ReportCommandError(const ComError& error);

  // Events.
  void DocumentRefresh();
  void OnWordEvent(std::wstring_view event, std::vector<Arg>& args);
  void OnExcelEvent(std::wstring_view event, std::vector<Arg>& args);
  void OnPowerPointEvent(std::wstring_view event, std::vector<Arg>& args);
  void OnClick(void (ClassAddIn::*handler)(const Object&, Variant&), std::vector<Arg>& args);

  platform::Platform platform_;
  automation::ObjectFactory& objects_;
  std::function<void(const ToolbarButton&)> enabledObserver_;
  bool openCommandsEnabled_ = true;
  bool saveCommandsEnabled_ = true;
  bool withoutToolbar_ = false;  // a command started by StartCommand is running
  // Whether the toolbar stands where AddToolbar put it: only then is its placement the user's.
  bool toolbarPlaced_ = false;
};

}  // namespace addin
