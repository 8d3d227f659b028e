#include "sim/application.h"

#include <algorithm>

#include "platform/key_sequence.h"
#include "platform/text.h"
#include "sim/built_in_bars.h"
#include "sim/dialogs.h"
#include "sim/file_dialog.h"
#include "sim/host_errors.h"
#include "sim/windows_path.h"

namespace sim {
namespace {

// The major version of a version text: "11.0" gives 11, "9.0" gives 9.
int majorOf(const std::wstring& version) {
  int major = 0;
  for (const wchar_t c : version) {
    if (c < L'0' || c > L'9') break;
    major = major * 10 + (c - L'0');
    if (major > 1000) break;
  }
  return major;
}

Variant emptyCustom() { return Variant(automation::VariantArray{}); }

}  // namespace

std::shared_ptr<Application> Application::start(Machine& machine, HostOptions options) {
  auto application = std::make_shared<Application>(machine, std::move(options));
  const std::weak_ptr<Application> weak = application;
  application->documentCollection_ = std::make_shared<DocumentCollection>(weak);
  application->dialogs_ = std::make_shared<DialogCollection>(weak);
  application->registerMembers();
  return application;
}

Application::Application(Machine& machine, HostOptions options)
    : machine_(machine),
      options_(std::move(options)),
      name_(options_.name ? *options_.name : defaultApplicationName(options_.kind)),
      majorVersion_(majorOf(options_.version)),
      store_(machine.barStore(options_.kind)),
      commandBars_(std::make_shared<CommandBars>(store_, options_.hasActiveMenuBar)) {
  store_->context()->version = majorVersion_;
}

Application::~Application() {
  // A run nobody ended (its last reference went) ends here; no add-in is called any more.
  if (running_) store_->endRun();
}

bool Application::implements(std::wstring_view interfaceName) const {
  const std::pair<const wchar_t*, HostKind> applications[] = {
      {L"Word._Application", HostKind::Word},
      {L"Excel._Application", HostKind::Excel},
      {L"PowerPoint._Application", HostKind::PowerPoint},
  };
  for (const auto& [name, kind] : applications) {
    if (platform::equalsIgnoreCase(interfaceName, name)) return kind == options_.kind;
  }
  return true;
}

void Application::registerMembers() {
  const HostKind kind = options_.kind;
  signature(kind == HostKind::Word    ? L"Word._Application"
            : kind == HostKind::Excel ? L"Excel._Application"
                                      : L"PowerPoint._Application",
            majorVersion_);
  property(L"Name", [this](Params&) { return Variant(name_); });
  defaultMember(L"Name");
  property(L"Version", [this](Params&) { return Variant(options_.version); });
  property(L"CommandBars", [this](Params&) { return Variant(commandBars_->self()); });
  property(L"Application", [this](Params&) { return Variant(self()); });
  property(L"Visible", [](Params&) { return Variant(true); });

  if (kind == HostKind::Word) {
    property(L"ActiveDocument", [this](Params&) { return Variant(requireActiveDocument()->self()); });
    property(L"Documents", [this](Params&) { return Variant(documentCollection_->self()); });
    property(L"Dialogs", [this](Params&) { return Variant(dialogs_->self()); });
    eventsInterface(L"ApplicationEvents2");
  } else if (kind == HostKind::Excel) {
    property(L"ActiveWorkbook", [this](Params&) { return Variant(active_ ? active_->self() : Object()); });
    property(L"ActiveSheet", [this](Params&) {
      auto sheet = active_ ? active_->activeSheet() : nullptr;
      return Variant(sheet ? sheet->self() : Object());
    });
    property(L"Workbooks", [this](Params&) { return Variant(documentCollection_->self()); });
    property(L"Dialogs", [this](Params&) { return Variant(dialogs_->self()); });
    property(
        L"DefaultFilePath", [this](Params&) { return Variant(machine_.documentsFolder(HostKind::Excel)); },
        [this](Params&, const Variant& value) { machine_.setDocumentsFolder(HostKind::Excel, value.toString()); });
    eventsInterface(L"AppEvents");
  } else {
    property(L"ActivePresentation", [this](Params&) { return Variant(requireActiveDocument()->self()); });
    property(L"Presentations", [this](Params&) { return Variant(documentCollection_->self()); });
    // FileDialog came with Office XP (version 10).
    if (majorVersion_ >= 10) {
      property(L"FileDialog", {L"Type"}, [this](Params& p) { return Variant(fileDialog(p.at(0).toInt32())); });
    }
    eventsInterface(L"EApplication");
  }
}

Object Application::fileDialog(std::int32_t type) {
  if (type != kFileDialogOpen && type != kFileDialogSaveAs) throw host_errors::invalidArgument();
  auto& dialog = fileDialogs_[type];
  if (!dialog) dialog = std::make_shared<FileDialog>(std::static_pointer_cast<Application>(shared_from_this()), type);
  return dialog->self();
}

// --- Events -----------------------------------------------------------------------------------------

void Application::fire(const wchar_t* event, std::vector<Arg>& args) {
  raiseEach(event, args, [this, event](const ComError& error) { record(event, error); });
}

bool Application::flag(const wchar_t* event, const Variant& value) {
  try {
    return value.toBool();
  } catch (const ComError& error) {
    record(event, error);  // a handler left something that is no Boolean: the host takes False
    return false;
  }
}

// --- Add-ins ------------------------------------------------------------------------------------------

Application::AddInEntry* Application::entryOf(const ComAddIn& addIn) {
  for (auto& entry : addIns_) {
    if (entry.addIn == &addIn) return &entry;
  }
  return nullptr;
}

const Application::AddInEntry* Application::entryOf(const ComAddIn& addIn) const {
  return const_cast<Application*>(this)->entryOf(addIn);
}

bool Application::connectAddIn(ComAddIn& addIn, std::int32_t connectMode, std::wstring progId,
                               std::wstring description) {
  requireRunning();
  AddInEntry* entry = entryOf(addIn);
  if (!entry) {
    auto instance = std::make_shared<AddInInstance>(std::move(progId), std::move(description),
                                                    std::weak_ptr<SimObject>(shared_from_this()));
    addIns_.push_back(AddInEntry{&addIn, instance, nullptr});
    entry = &addIns_.back();
  }
  const auto instance = entry->instance;
  instance->setConnected(true);
  Variant custom = emptyCustom();
  try {
    addIn.OnConnection(self(), connectMode, instance->self(), custom);
  } catch (...) {
    // A failed connection: the host lets go of the add-in at once.
    record(L"OnConnection", automation::currentError(std::current_exception()));
    instance->setConnected(false);
    return false;
  }
  if (majorVersion_ >= 12) loadCustomUi(addIn);
  if (connectMode == kConnectStartup) {
    try {
      addIn.OnStartupComplete(custom);
    } catch (...) {
      record(L"OnStartupComplete", automation::currentError(std::current_exception()));
    }
  }
  return true;
}

bool Application::disconnect(AddInEntry& entry, std::int32_t removeMode, bool shuttingDown) {
  if (!entry.instance->connected()) return false;
  ComAddIn& addIn = *entry.addIn;
  Variant custom = emptyCustom();
  if (shuttingDown) {
    try {
      addIn.OnBeginShutdown(custom);
    } catch (...) {
      record(L"OnBeginShutdown", automation::currentError(std::current_exception()));
    }
  }
  entry.instance->setConnected(false);
  if (AddInEntry* current = entryOf(addIn)) current->customUi.reset();
  try {
    addIn.OnDisconnection(removeMode, custom);
  } catch (...) {
    record(L"OnDisconnection", automation::currentError(std::current_exception()));
  }
  return true;
}

bool Application::disconnectAddIn(std::int32_t removeMode) {
  requireRunning();
  bool any = false;
  for (std::size_t i = addIns_.size(); i-- > 0;) {
    AddInEntry entry = addIns_[i];  // a copy: the add-in may connect another while it goes
    any = disconnect(entry, removeMode, false) || any;
  }
  return any;
}

bool Application::disconnectAddIn(ComAddIn& addIn, std::int32_t removeMode) {
  requireRunning();
  AddInEntry* entry = entryOf(addIn);
  if (!entry) return false;
  AddInEntry copy = *entry;
  return disconnect(copy, removeMode, false);
}

bool Application::isConnected(const ComAddIn& addIn) const {
  const AddInEntry* entry = entryOf(addIn);
  return entry && entry->instance->connected();
}

std::shared_ptr<AddInInstance> Application::addInInstance(const ComAddIn& addIn) const {
  const AddInEntry* entry = entryOf(addIn);
  return entry ? entry->instance : nullptr;
}

void Application::loadCustomUi(ComAddIn& addIn) {
  static const wchar_t* const kRibbonIds[] = {L"Microsoft.Word.Document", L"Microsoft.Excel.Workbook",
                                              L"Microsoft.PowerPoint.Presentation"};
  RibbonExtensibility* ribbon = addIn.queryRibbonExtensibility();
  if (!ribbon) return;
  try {
    const std::wstring xml = ribbon->GetCustomUI(kRibbonIds[static_cast<int>(options_.kind)]);
    if (xml.empty()) return;
    auto customUi = CustomUi::load(xml, *ribbon, self(), [this](const std::wstring& callback, const ComError& error) {
      failures_.push_back({callback, error});
    });
    if (AddInEntry* entry = entryOf(addIn)) entry->customUi = std::move(customUi);
  } catch (...) {
    record(L"GetCustomUI", automation::currentError(std::current_exception()));
  }
}

std::shared_ptr<CustomUi> Application::customUi(const ComAddIn& addIn) const {
  const AddInEntry* entry = entryOf(addIn);
  return entry ? entry->customUi : nullptr;
}

std::vector<std::shared_ptr<CustomUi>> Application::customUis() const {
  std::vector<std::shared_ptr<CustomUi>> shown;
  for (const auto& entry : addIns_) {
    if (entry.customUi) shown.push_back(entry.customUi);
  }
  return shown;
}

// --- The run ------------------------------------------------------------------------------------------

void Application::requireRunning() const {
  if (!running_) throw host_errors::hostEnded();
}

bool Application::quit() {
  requireRunning();
  const auto open = documents_;
  for (const auto& document : open) {
    if (document->isClosed()) continue;
    if (!closeDocument(document)) return false;
  }
  if (!running_) return true;  // a handler ended the run itself
  const auto addIns = addIns_;
  for (std::size_t i = addIns.size(); i-- > 0;) {
    AddInEntry entry = addIns[i];
    disconnect(entry, kDisconnectHostShutdown, true);
  }
  if (running_) endRun();
  return true;
}

void Application::terminate() {
  requireRunning();
  endRun();
}

void Application::endRun() {
  running_ = false;
  for (const auto& document : documents_) document->close(host_errors::hostEnded());
  documents_.clear();
  active_.reset();
  editingCell_.clear();
  for (const auto& entry : addIns_) entry.instance->end();
  addIns_.clear();
  for (const auto& [type, dialog] : fileDialogs_) dialog->end();
  fileDialogs_.clear();
  commandBars_->end();
  documentCollection_->end();
  dialogs_->end();
  store_->endRun();
  retire(host_errors::hostEnded());
}

// --- Documents ----------------------------------------------------------------------------------------

std::shared_ptr<Document> Application::requireActiveDocument() const {
  requireRunning();
  if (!active_) throw host_errors::noActiveDocument(options_.kind);
  return active_;
}

void Application::requireOwn(const std::shared_ptr<Document>& document) const {
  requireRunning();
  if (!document || document->isClosed() ||
      std::find(documents_.begin(), documents_.end(), document) == documents_.end()) {
    throw host_errors::documentClosed(options_.kind);
  }
}

std::shared_ptr<Document> Application::findOpen(const std::wstring& fullName) const {
  for (const auto& document : documents_) {
    if (document->everSaved() && windows_path::sameFile(document->fullName(), fullName)) return document;
  }
  return nullptr;
}

std::shared_ptr<Document> Application::newDocument() {
  requireRunning();
  auto document = Document::create(options_.kind, std::static_pointer_cast<Application>(shared_from_this()),
                                   newDocumentStem(options_.kind) + std::to_wstring(++newDocuments_), majorVersion_);
  documents_.push_back(document);
  active_ = document;
  std::vector<Arg> args{Arg(Variant(document->self()))};
  switch (options_.kind) {
    case HostKind::Word: fire(L"NewDocument", args); break;
    case HostKind::Excel: fire(L"NewWorkbook", args); break;
    case HostKind::PowerPoint: fire(L"NewPresentation", args); break;
  }
  return document;
}

std::shared_ptr<Document> Application::openDocument(const std::wstring& path) {
  requireRunning();
  const std::wstring fullPath = resolve(path);
  if (auto open = findOpen(fullPath)) {
    active_ = open;
    return open;
  }
  auto text = machine_.readFile(fullPath);
  if (!text) throw host_errors::fileNotFound(options_.kind, fullPath);
  auto document = Document::create(options_.kind, std::static_pointer_cast<Application>(shared_from_this()),
                                   windows_path::fileNameOf(fullPath), majorVersion_);
  document->loaded(fullPath, std::move(*text));
  documents_.push_back(document);
  active_ = document;
  std::vector<Arg> args{Arg(Variant(document->self()))};
  switch (options_.kind) {
    case HostKind::Word: fire(L"DocumentOpen", args); break;
    case HostKind::Excel: fire(L"WorkbookOpen", args); break;
    case HostKind::PowerPoint: fire(L"PresentationOpen", args); break;
  }
  return document;
}

bool Application::beforeSave(const std::shared_ptr<Document>& document, bool& saveAsUI) {
  if (options_.kind != HostKind::Word) return true;
  Variant ui(saveAsUI);
  Variant cancel(false);
  std::vector<Arg> args{Arg(Variant(document->self())), Arg::byRef(ui), Arg::byRef(cancel)};
  fire(L"DocumentBeforeSave", args);
  saveAsUI = flag(L"DocumentBeforeSave", ui);
  return !flag(L"DocumentBeforeSave", cancel);
}

void Application::writeDocument(const std::shared_ptr<Document>& document, const std::wstring& path) {
  requireOwn(document);
  const std::wstring fullPath = resolve(path);
  if (!machine_.writeFile(fullPath, document->text())) throw host_errors::cannotSave(options_.kind, fullPath);
  document->savedAs(fullPath);
}

bool Application::saveDocument(const std::shared_ptr<Document>& document) {
  requireOwn(document);
  if (!document->everSaved()) return showSaveAsDialog(document);
  bool saveAsUI = false;
  if (!beforeSave(document, saveAsUI)) return false;
  if (saveAsUI) return showSaveAsDialog(document, L"File > Save");
  writeDocument(document, document->fullName());
  return true;
}

void Application::saveByProgram(const std::shared_ptr<Document>& document) {
  requireOwn(document);
  if (!document->everSaved() && options_.kind == HostKind::Excel) {
    // Excel saves a new workbook under its own name in the default folder, without asking.
    writeDocument(document, windows_path::join(machine_.documentsFolder(HostKind::Excel), proposedFileName(*document)));
    return;
  }
  saveDocument(document);
}

bool Application::saveDocumentAs(const std::shared_ptr<Document>& document, const std::wstring& path) {
  requireOwn(document);
  bool saveAsUI = false;
  if (!beforeSave(document, saveAsUI)) return false;
  writeDocument(document, path);
  return true;
}

bool Application::showSaveAsDialog(const std::shared_ptr<Document>& document, const std::wstring& source) {
  requireOwn(document);
  bool saveAsUI = true;
  if (source != L"File > Save" && !beforeSave(document, saveAsUI)) return false;
  auto chosen = machine_.user().answer(fileDialogRequest(
      options_.kind, source, DialogKind::SaveAs,
      document->everSaved() ? document->path() : machine_.documentsFolder(options_.kind), proposedFileName(*document)));
  if (!chosen) return false;
  writeDocument(document, withDefaultExtension(*chosen));
  return true;
}

std::shared_ptr<Document> Application::showOpenDialog(const std::wstring& source) {
  requireRunning();
  auto chosen = machine_.user().answer(
      fileDialogRequest(options_.kind, source, DialogKind::Open, machine_.documentsFolder(options_.kind), L""));
  if (!chosen) return nullptr;
  return openDocument(*chosen);
}

bool Application::closeDocument(const std::shared_ptr<Document>& document) {
  requireOwn(document);
  Variant cancel(false);
  switch (options_.kind) {
    case HostKind::Word: {
      std::vector<Arg> args{Arg(Variant(document->self())), Arg::byRef(cancel)};
      fire(L"DocumentBeforeClose", args);
      if (flag(L"DocumentBeforeClose", cancel)) return false;
      break;
    }
    case HostKind::Excel: {
      std::vector<Arg> args{Arg(Variant(document->self())), Arg::byRef(cancel)};
      fire(L"WorkbookBeforeClose", args);
      if (flag(L"WorkbookBeforeClose", cancel)) return false;
      break;
    }
    case HostKind::PowerPoint: {
      std::vector<Arg> args{Arg(Variant(document->self()))};
      fire(L"PresentationClose", args);
      break;
    }
  }
  auto it = std::find(documents_.begin(), documents_.end(), document);
  if (it == documents_.end()) return true;  // a handler closed it already
  documents_.erase(it);
  if (active_ == document) {
    active_ = documents_.empty() ? nullptr : documents_.back();
    editingCell_.clear();
  }
  document->close(host_errors::documentClosed(options_.kind));
  return true;
}

void Application::activate(const std::shared_ptr<Document>& document) {
  requireOwn(document);
  if (active_ != document) editingCell_.clear();
  active_ = document;
}

bool Application::pressKeys(const std::wstring& keys) {
  requireRunning();
  bool acted = false;
  for (const auto& stroke : platform::parseKeySequence(keys)) {
    if (!running_) break;
    if (!stroke.ctrl || stroke.alt || stroke.shift) continue;
    const wchar_t key = platform::foldCase(stroke.key);
    if (key == L'O') {
      showOpenDialog(L"Ctrl+O");
      acted = true;
    } else if (key == L'S' && active_) {
      saveDocument(active_);
      acted = true;
    } else if (key == L'N') {
      newDocument();
      acted = true;
    }
  }
  return acted;
}

std::wstring Application::proposedFileName(const Document& document) const {
  return windows_path::hasExtension(document.name()) ? document.name()
                                                     : document.name() + defaultExtension(options_.kind);
}

std::wstring Application::withDefaultExtension(const std::wstring& path) const {
  return windows_path::hasExtension(path) ? path : path + defaultExtension(options_.kind);
}

std::wstring Application::resolve(const std::wstring& path) const {
  if (path.empty() || windows_path::isAbsolute(path)) return path;
  return windows_path::join(machine_.documentsFolder(options_.kind), path);
}

bool Application::isFolder(const std::wstring& path) const { return machine_.folderExists(path); }

// --- Excel's cells ------------------------------------------------------------------------------------

std::shared_ptr<Worksheet> Application::requireActiveSheet() const {
  requireRunning();
  if (options_.kind != HostKind::Excel) throw host_errors::invalidArgument();
  if (!active_) throw host_errors::noActiveDocument(HostKind::Excel);
  return active_->activeSheet();
}

std::wstring Application::selection() const {
  if (!active_ || !active_->activeSheet()) return {};
  return active_->activeSheet()->selection();
}

void Application::selectCell(const std::wstring& address) {
  auto sheet = requireActiveSheet();
  const CellRange cells = sheet->parse(address);
  editingCell_.clear();
  if (sheet->selectedRange() == cells) return;
  sheet->select(cells);
  std::vector<Arg> args{Arg(Variant(sheet->self())), Arg(Variant(sheet->range(cells)))};
  fire(L"SheetSelectionChange", args);
}

bool Application::deleteToolbarByUser(const std::wstring& name) {
  const auto bar = commandBar(name);
  if (!bar || bar->builtIn() || bar->type() != BarType::Normal) return false;
  bar->remove();
  return true;
}

bool Application::doubleClickCell(const std::wstring& address) {
  auto sheet = requireActiveSheet();
  CellRange cell = sheet->parse(address);
  cell.lastRow = cell.firstRow;  // a double-click hits one cell
  cell.lastColumn = cell.firstColumn;
  // The first click of the two selects the cell.
  selectCell(formatCellRange(cell));
  Variant cancel(false);
  std::vector<Arg> args{Arg(Variant(sheet->self())), Arg(Variant(sheet->range(cell))), Arg::byRef(cancel)};
  fire(L"SheetBeforeDoubleClick", args);
  const bool cancelled = flag(L"SheetBeforeDoubleClick", cancel);
  if (!cancelled && running_) editingCell_ = formatCellRange(cell);
  return cancelled;
}

// --- Command bars -------------------------------------------------------------------------------------

std::shared_ptr<CommandBar> Application::menuBar() const {
  return options_.hasActiveMenuBar ? store_->menuBar() : nullptr;
}

std::shared_ptr<CommandBar> Application::commandBar(const std::wstring& name) const { return store_->find(name); }

bool Application::canClick(const CommandBarControl& control) const {
  if (!running_ || control.isGone() || !control.enabled() || !control.visible()) return false;
  auto bar = control.parent();
  if (!bar || bar->isGone() || !bar->enabled()) return false;
  if (auto popup = bar->ownerPopup()) return canClick(*popup);  // its menu must be reachable
  if (store_->indexOf(*bar) == 0 || !bar->visible()) return false;
  return bar != store_->menuBar() || options_.hasActiveMenuBar;
}

ClickOutcome Application::click(const Object& control) {
  auto* target = control.as<CommandBarControl>();
  if (!target) return {};
  return click(std::static_pointer_cast<CommandBarControl>(target->shared_from_this()));
}

ClickOutcome Application::click(const std::shared_ptr<CommandBarControl>& control) {
  requireRunning();
  if (!control || !canClick(*control)) return {};
  if (control->type() != ControlType::Button) return {true, false};  // a popup just opens its menu
  // Office raises Click on every button of the host that carries the clicked one's Tag.
  std::vector<std::shared_ptr<CommandBarControl>> targets{control};
  if (!control->tag().empty()) {
    for (const auto& other : store_->allControls()) {
      if (other != control && other->type() == ControlType::Button && other->tag() == control->tag()) {
        targets.push_back(other);
      }
    }
  }
  Variant cancelDefault(false);
  for (const auto& target : targets) {
    if (!running_) break;
    std::vector<Arg> args{Arg(Variant(control->self())), Arg::byRef(cancelDefault)};
    target->fireClick(args, [this](const ComError& error) { record(L"Click", error); });
  }
  const bool cancelled = flag(L"Click", cancelDefault);
  if (!cancelled && running_ && control->builtIn()) runBuiltInCommand(control->id());
  return {true, cancelled};
}

void Application::runBuiltInCommand(std::int32_t id) {
  switch (id) {
    case built_in_ids::kNew:
    case built_in_ids::kNewDialog: newDocument(); break;
    case built_in_ids::kOpen: showOpenDialog(); break;
    case built_in_ids::kSave:
      if (active_) saveDocument(active_);
      break;
    case built_in_ids::kSaveAs:
      if (active_) showSaveAsDialog(active_);
      break;
    case built_in_ids::kClose:
      if (active_) closeDocument(active_);
      break;
    case built_in_ids::kExit: quit(); break;
    default: break;
  }
}

}  // namespace sim
