#include "addin/class_addin.h"

#include "addin/error_trap.h"
#include "addin/messages.h"
#include "commandbars/reg_intfc.h"
#include "commands/path_utilities.h"
#include "office/office.h"

namespace addin {

namespace {

// An empty current error: what the error box reports when a step failed without raising.
ComError noError() { return ComError(0, L""); }

}  // namespace

ClassAddIn::ClassAddIn(const platform::Platform& platform, automation::ObjectFactory& objects)
    : g_appWord(office::kWordApplicationEvents, [this](auto event, auto& args) { OnWordEvent(event, args); }),
      g_appExcel(office::kExcelApplicationEvents, [this](auto event, auto& args) { OnExcelEvent(event, args); }),
      g_appPPT(office::kPowerPointApplicationEvents,
               [this](auto event, auto& args) { OnPowerPointEvent(event, args); }),
      g_cbbSOpenMenuItem(office::kCommandBarButtonEvents,
                         [this](auto, auto& args) { OnClick(&ClassAddIn::g_cbbSOpenMenuItem_Click, args); }),
      g_cbbSSaveMenuItem(office::kCommandBarButtonEvents,
                         [this](auto, auto& args) { OnClick(&ClassAddIn::g_cbbSSaveMenuItem_Click, args); }),
      g_cbbSSaveAsMenuItem(office::kCommandBarButtonEvents,
                           [this](auto, auto& args) { OnClick(&ClassAddIn::g_cbbSSaveAsMenuItem_Click, args); }),
      g_cbbSOpenButton(office::kCommandBarButtonEvents,
                       [this](auto, auto& args) { OnClick(&ClassAddIn::g_cbbSOpenButton_Click, args); }),
      g_cbbSSaveButton(office::kCommandBarButtonEvents,
                       [this](auto, auto& args) { OnClick(&ClassAddIn::g_cbbSSaveButton_Click, args); }),
      g_cbbSSaveAsButton(office::kCommandBarButtonEvents,
                         [this](auto, auto& args) { OnClick(&ClassAddIn::g_cbbSSaveAsButton_Click, args); }),
      platform_(platform),
      objects_(objects) {}

// The subscriptions end before the handlers they call go away.
ClassAddIn::~ClassAddIn() {
  for (EventSource* field : {&g_cbbSOpenMenuItem, &g_cbbSSaveMenuItem, &g_cbbSSaveAsMenuItem, &g_cbbSOpenButton,
                             &g_cbbSSaveButton, &g_cbbSSaveAsButton, &g_appWord, &g_appExcel, &g_appPPT}) {
    ignoringErrors([&] { field->clear(); });
  }
}

std::wstring ClassAddIn::HostName() const { return office::Application(g_objHostApp).name(); }

std::int16_t ClassAddIn::HostKind() const {
  const std::wstring name = HostName();
  if (name == office::kWordName) return kHostWord;
  if (name == office::kExcelName) return kHostExcel;
  return kHostPowerPoint;
}

std::wstring ClassAddIn::GetMessage(std::int32_t id) const { return addin::GetMessage(platform_, id); }

void ClassAddIn::ShowErrorMessage(const ComError& error, std::int16_t id) const {
  addin::ShowErrorMessage(platform_, error, id);
}

void ClassAddIn::DoOnConnection(const Object& Application, std::int32_t ConnectMode, const Object& AddInInst,
                                Variant& /*custom*/) {
  try {
    openCommandsEnabled_ = saveCommandsEnabled_ = true;
    g_objHostApp = office::inHostLocale(Application);
    g_objSelf = AddInInst;
    const std::wstring name = HostName();
    if (name == office::kWordName) {
      g_appWord.assign(office::asTyped(g_objHostApp, office::kWordApplication));
    } else if (name == office::kExcelName) {
      g_appExcel.assign(office::asTyped(g_objHostApp, office::kExcelApplication));
    } else if (name == office::kPowerPointName) {
      g_appPPT.assign(office::asTyped(g_objHostApp, office::kPowerPointApplication));
    }
    if (ConnectMode != 2) {
      AddMenu();
      if (!g_cbpLockfolioMenu) {
        // AddMenu reported its own failure, if it had one; the error it handled is over.
        CleanUp();
        ShowErrorMessage(noError(), message::kErrorLoading);
        return;
      }
      AddOpenMenuItem();
      AddSaveMenuItem();
      AddSaveAsMenuItem();
      AddToolbar();
      SetButtonFaces();
    }
    strCurrentOperation = L"None";
    if (!strSessionFolderName) strSessionFolderName = std::make_shared<support::clsSessionFolder>(platform_);
    strSessionFolderName->Init();
  } catch (...) {
    const ComError error = automation::currentError(std::current_exception());
    CleanUp();
    ignoringErrors([&] { ShowErrorMessage(error, message::kErrorLoading); });
  }
}

void ClassAddIn::CleanUp() {
  std::int16_t kind = 0;
  const bool kindKnown = ignoringErrors([&] { kind = HostKind(); });
  // The placement is stored only when there is a toolbar to read it from: values read from no
  // toolbar would overwrite the placement the user left in an earlier run. So would those of a
  // toolbar never put in place, and any under another host's key when the host is not known.
  std::int32_t left = 0, rowIndex = 0, width = 0, position = 0;
  const office::CommandBar toolbar(g_cbLockfolioToolbar);
  const bool placementRead = ignoringErrors([&] { left = toolbar.left(); }) &&
                             ignoringErrors([&] { rowIndex = toolbar.rowIndex(); }) &&
                             ignoringErrors([&] { width = toolbar.width(); }) &&
                             ignoringErrors([&] { position = toolbar.position(); });
  if (placementRead && kindKnown && toolbarPlaced_) {
    ignoringErrors([&] { RegIntfc::SaveToolbarPlacement(platform_, kind, left, rowIndex, width, position); });
  }
  toolbarPlaced_ = false;

  // A Delete the host refuses for a moment is tried once more: the fields are emptied whatever
  // happens, and a control left behind would stay until the next start.
  const auto remove = [](const Object& control) {
    ignoringErrors([&] { retryingOnce([&] { office::CommandBarControl(control).remove(); }); });
  };
  for (EventSource* item : {&g_cbbSOpenMenuItem, &g_cbbSSaveMenuItem, &g_cbbSSaveAsMenuItem}) remove(item->object());
  remove(g_cbpLockfolioMenu);
  for (EventSource* item : {&g_cbbSOpenMenuItem, &g_cbbSSaveMenuItem, &g_cbbSSaveAsMenuItem}) {
    ignoringErrors([&] { item->clear(); });
  }
  g_cbpLockfolioMenu = Object();

  for (EventSource* button : {&g_cbbSOpenButton, &g_cbbSSaveButton, &g_cbbSSaveAsButton}) remove(button->object());
  ignoringErrors([&] { retryingOnce([&] { toolbar.remove(); }); });
  for (EventSource* button : {&g_cbbSOpenButton, &g_cbbSSaveButton, &g_cbbSSaveAsButton}) {
    ignoringErrors([&] { button->clear(); });
  }
  g_cbLockfolioToolbar = Object();
}

std::wstring ClassAddIn::GetFileStorageLocation(std::int32_t& lLen) {
  return commands::GetFileStorageLocation(platform_, lLen);
}

}  // namespace addin
