#pragma once
// One run of a simulated Office host (Word, Excel or PowerPoint): the Application object an add-in
// drives by late binding, and the C++ driving API through which tests and the demo act as the
// user does (open and save documents, click buttons, double-click cells, quit).

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/add_in_instance.h"
#include "sim/com_add_in.h"
#include "sim/command_bars.h"
#include "sim/custom_ui.h"
#include "sim/documents.h"
#include "sim/host_kind.h"
#include "sim/host_object.h"
#include "sim/machine.h"

namespace sim {

class FileDialog;
class DialogCollection;

struct HostOptions {
  HostKind kind = HostKind::Word;
  std::wstring version = L"11.0";
  std::optional<std::wstring> name;  // default: "Microsoft Word", "Microsoft Excel", "Microsoft PowerPoint"
  bool hasActiveMenuBar = true;
};

// A handler that failed: the host records it and carries on.
struct EventFailure {
  std::wstring event;
  ComError error;
};

struct ClickOutcome {
  bool clicked = false;        // false: the control could not be clicked (disabled, hidden, gone)
  bool cancelDefault = false;  // CancelDefault as the handlers left it
  explicit operator bool() const { return clicked; }
};

class Application : public HostObject {
 public:
  static std::shared_ptr<Application> start(Machine& machine, HostOptions options = {});
  ~Application() override;

  // The typed application interface of its own host only ("Word._Application" for Word, whatever
  // name it was given); other interfaces are not the host's to refuse.
  bool implements(std::wstring_view interfaceName) const override;

  HostKind kind() const { return options_.kind; }
  const std::wstring& name() const { return name_; }
  const std::wstring& version() const { return options_.version; }
  int majorVersion() const { return majorVersion_; }
  Machine& machine() const { return machine_; }
  bool running() const { return running_; }

  // --- Add-ins. A connected add-in must outlive its connection.
  // Calls OnConnection (and OnStartupComplete for the start-up mode); false when it failed, which
  // is recorded as a failure of "OnConnection". Connecting a connected add-in connects it again.
  bool connectAddIn(ComAddIn& addIn, std::int32_t connectMode, std::wstring progId = L"LockfolioAddIn.Connect",
                    std::wstring description = L"Lockfolio Office Add-in");
  // Disconnects every connected add-in (the latest first); false when none was connected.
  bool disconnectAddIn(std::int32_t removeMode);
  bool disconnectAddIn(ComAddIn& addIn, std::int32_t removeMode);
  bool isConnected(const ComAddIn& addIn) const;
  // The AddInInst object the add-in was given; null when it was never connected in this run.
  std::shared_ptr<AddInInstance> addInInstance(const ComAddIn& addIn) const;
  // Hosts of version 12.0 and later ask a connecting add-in for its ribbon (the RibbonID of their
  // document window) and show it until the add-in is disconnected. Null when there is none, or
  // when the host refused it (recorded as a failure of "GetCustomUI"). Failed callbacks are
  // recorded under the callback's name.
  std::shared_ptr<CustomUi> customUi(const ComAddIn& addIn) const;
  std::vector<std::shared_ptr<CustomUi>> customUis() const;

  // --- The run. quit() closes the documents (their close events may cancel it: false), then
  // disconnects the add-ins (OnBeginShutdown, OnDisconnection with mode 0) and ends the run.
  // terminate() ends it at once, as when the process dies: no events, no disconnection. Either
  // way, temporary controls and bars go and the rest stays on the machine.
  bool quit();
  void terminate();

  // --- Documents, as the user handles them.
  std::shared_ptr<Document> newDocument();
  // Raises the host's file-not-found error for a missing file; an open document is activated.
  std::shared_ptr<Document> openDocument(const std::wstring& path);
  // The user's Save: a never-saved document goes through the host's Save As dialog. False when a
  // handler or the user cancelled.
  bool saveDocument(const std::shared_ptr<Document>& document);
  bool saveDocumentAs(const std::shared_ptr<Document>& document, const std::wstring& path);
  // False when a handler cancelled the close.
  bool closeDocument(const std::shared_ptr<Document>& document);
  void activate(const std::shared_ptr<Document>& document);
  std::shared_ptr<Document> activeDocument() const { return active_; }
  const std::vector<std::shared_ptr<Document>>& documents() const { return documents_; }
  // The host's own File > Open (or Ctrl+O): its Open dialog in the documents folder.
  std::shared_ptr<Document> showOpenDialog(const std::wstring& source = L"File > Open");
  // The host's own File > Save As for the document.
  bool showSaveAsDialog(const std::shared_ptr<Document>& document, const std::wstring& source = L"File > Save As");
  // Keystrokes sent to the host's window, written as SendKeys writes them: Ctrl+O opens, Ctrl+S
  // saves, Ctrl+N makes a new document; other keys do nothing here. Returns whether the host
  // acted on any. Raises ComError 5 for a sequence that is not one.
  bool pressKeys(const std::wstring& keys);

  // --- Excel's cells, in the active workbook's active sheet. A double-click first selects the
  // cell (SheetSelectionChange when the selection changes), then raises SheetBeforeDoubleClick;
  // unless cancelled, the cell goes into edit mode. Returns the final Cancel.
  bool doubleClickCell(const std::wstring& address);
  // Raises SheetSelectionChange when the selection changes; leaves edit mode.
  void selectCell(const std::wstring& address);
  std::wstring selection() const;
  // The cell being edited ("$B$2"), or empty.
  const std::wstring& editingCell() const { return editingCell_; }

  // --- Command bars. A click raises Click(Ctrl, CancelDefault) on the button and on every other
  // button of the host with the same Tag, as Office does; then, unless cancelled, a built-in
  // command does its work.
  ClickOutcome click(const std::shared_ptr<CommandBarControl>& control);
  ClickOutcome click(const Object& control);
  // Whether the user can reach and click the control now.
  bool canClick(const CommandBarControl& control) const;
  // The menu bar the user sees; null when the host shows none.
  std::shared_ptr<CommandBar> menuBar() const;
  std::shared_ptr<CommandBar> commandBar(const std::wstring& name) const;
  // The user deletes a custom toolbar (on a ribbon host: right-click on the Add-Ins tab, Delete
  // Custom Toolbar); it is gone for good, and the objects that stood for it and its controls
  // answer as deleted ones. False when there is no such custom toolbar.
  bool deleteToolbarByUser(const std::wstring& name);
  BarStore& bars() const { return *store_; }

  // --- Failed event calls (and failed add-in notifications), in order.
  const std::vector<EventFailure>& eventFailures() const { return failures_; }
  void clearEventFailures() { failures_.clear(); }

  // --- For the host's own objects (documents, dialogs).
  void requireRunning() const;
  std::shared_ptr<Document> requireActiveDocument() const;  // the host's error when none
  // Word raises DocumentBeforeSave; false when a handler cancelled. `saveAsUI` may be changed.
  bool beforeSave(const std::shared_ptr<Document>& document, bool& saveAsUI);
  // Writes the document to the path (no events); raises the host's failure to save.
  void writeDocument(const std::shared_ptr<Document>& document, const std::wstring& path);
  // What Document.Save does when called by a program.
  void saveByProgram(const std::shared_ptr<Document>& document);
  // The name a Save As dialog proposes: the document's name with the host's extension.
  std::wstring proposedFileName(const Document& document) const;
  std::wstring withDefaultExtension(const std::wstring& path) const;
  std::wstring resolve(const std::wstring& path) const;  // a bare name is in the documents folder
  bool isFolder(const std::wstring& path) const;

  // Use start().
  Application(Machine& machine, HostOptions options);

 private:
  struct AddInEntry {
    ComAddIn* addIn;
    std::shared_ptr<AddInInstance> instance;
    std::shared_ptr<CustomUi> customUi;
  };
  void loadCustomUi(ComAddIn& addIn);
  void registerMembers();
  void fire(const wchar_t* event, std::vector<Arg>& args);
  bool flag(const wchar_t* event, const Variant& value);
  void record(const wchar_t* event, const ComError& error) { failures_.push_back({event, error}); }
  AddInEntry* entryOf(const ComAddIn& addIn);
  const AddInEntry* entryOf(const ComAddIn& addIn) const;
  bool disconnect(AddInEntry& entry, std::int32_t removeMode, bool shuttingDown);
  std::shared_ptr<Document> findOpen(const std::wstring& fullName) const;
  void requireOwn(const std::shared_ptr<Document>& document) const;
  std::shared_ptr<Worksheet> requireActiveSheet() const;
  void runBuiltInCommand(std::int32_t id);
  void endRun();
  Object fileDialog(std::int32_t type);

  Machine& machine_;
  HostOptions options_;
  std::wstring name_;
  int majorVersion_ = 0;
  bool running_ = true;
  std::shared_ptr<BarStore> store_;
  std::shared_ptr<CommandBars> commandBars_;
  std::shared_ptr<DocumentCollection> documentCollection_;
  std::shared_ptr<DialogCollection> dialogs_;
  std::map<std::int32_t, std::shared_ptr<FileDialog>> fileDialogs_;
  std::vector<std::shared_ptr<Document>> documents_;
  std::shared_ptr<Document> active_;
  int newDocuments_ = 0;
  std::wstring editingCell_;
  std::vector<AddInEntry> addIns_;
  std::vector<EventFailure> failures_;
};

}  // namespace sim
