// Questions about the host's active document, the log-in to a vault, and what the commands share.

#include "addin/class_addin.h"
#include "addin/error_trap.h"
#include "commandbars/reg_intfc.h"
#include "commands/vault_server.h"
#include "office/office.h"

namespace addin {

Object ClassAddIn::ActiveDocumentOfHost(const std::wstring& hostName) const {
  if (hostName == office::kWordName) return g_objHostApp.get(L"ActiveDocument").toObject();
  if (hostName == office::kExcelName) return g_objHostApp.get(L"ActiveWorkbook").toObject();
  if (hostName == office::kPowerPointName) return g_objHostApp.get(L"ActivePresentation").toObject();
  return Object();
}

bool ClassAddIn::CheckActiveDocument() {
  // Reading the name is the test: with no document open the host raises an error here.
  const std::wstring name = HostName();
  if (name == office::kWordName || name == office::kExcelName || name == office::kPowerPointName) {
    ActiveDocumentOfHost(name).get(L"name");
  }
  return true;
}

bool ClassAddIn::IsNewDocument() {
  std::wstring path;
  const std::wstring name = HostName();
  if (name == office::kWordName || name == office::kExcelName || name == office::kPowerPointName) {
    path = ActiveDocumentOfHost(name).get(L"path").toString();
  }
  return path.empty();
}

bool ClassAddIn::LoginToVault(std::wstring& strVaultRoot) {
  const Object vault = objects_.create(commands::kVaultServerProgId);
  if (!vault) {
    platform_.ui.messageBox(commands::kServerNotFound, commands::kApplicationTitle, platform::kMbOk);
    return false;
  }
  Variant drive = std::wstring();
  const std::int32_t result = vault.call(L"SelectAndLogin", {Arg::byRef(drive)}).toInt32();
  if (result != 0) return false;
  strVaultRoot = drive.toString() + L":\\";
  return true;
}

std::int16_t ClassAddIn::PowerPointVersion() const { return g_appPPT.object().get(L"Version").toInt16(); }

bool ClassAddIn::StoreToolbarPlacement(std::int16_t hostKind, ToolbarPlacement& placement, bool toolbarMayBeGone) {
  const office::CommandBar toolbar(g_cbLockfolioToolbar);
  const auto read = [&] {
    placement.left = toolbar.left();
    placement.rowIndex = toolbar.rowIndex();
    placement.width = toolbar.width();
    placement.position = toolbar.position();
  };
  if (toolbarMayBeGone) {
    if (!g_cbLockfolioToolbar || !ignoringErrors(read)) return false;
  } else {
    read();
  }
  if (!toolbarPlaced_) return false;
  return RegIntfc::SaveToolbarPlacement(platform_, hostKind, placement.left, placement.rowIndex, placement.width,
                                        placement.position);
}

void ClassAddIn::StartCommand(const ToolbarButton& button) {
  struct Started {
    bool& flag;
    bool before;
    ~Started() { flag = before; }
  } started{withoutToolbar_, withoutToolbar_};
  withoutToolbar_ = true;
  Variant cancelDefault(false);
  (this->*button.click)((this->*button.field).object(), cancelDefault);
}

void ClassAddIn::ShowWordFileDialog(std::int32_t dialog, const std::wstring& vaultRoot) {
  const Object dialogs = g_objHostApp.get(L"Dialogs").toObject();
  const Object locations = dialogs.get(L"", {Arg(office::wdDialogToolsOptionsFileLocations)}).toObject();
  const Variant savedSetting = locations.get(L"Setting");
  // Every step is tried (a refused one once more); only a location that could not be chosen
  // leaves the steps that apply a setting to it out.
  const auto restore = [&] {
    std::exception_ptr failure;
    const auto step = [&](auto&& body) {
      try {
        retryingOnce(body);
        return true;
      } catch (...) {
        if (!failure) failure = std::current_exception();
        return false;
      }
    };
    if (step([&] { locations.put(L"path", L"DOC-PATH"); })) {
      step([&] { locations.put(L"Setting", savedSetting); });
      step([&] { locations.call(L"Execute"); });
    }
    step([&] { locations.call(L"Update"); });
    if (failure) std::rethrow_exception(failure);
  };
  try {
    const Object fileDialog = dialogs.get(L"", {Arg(dialog)}).toObject();
    fileDialog.put(L"name", vaultRoot);
    fileDialog.call(L"Show");
  } catch (...) {
    // The user's document folder is theirs: it goes back even when the dialog failed.
    ignoringErrors(restore);
    throw;
  }
  restore();
}

void ClassAddIn::ReportCommandError(const ComError& error) {
  ignoringErrors([&] {
    platform_.ui.messageBox(commands::kCommandErrorPrefix + error.description(), commands::kApplicationTitle,
                            platform::kMbOk);
  });
  strCurrentOperation = L"None";
}

}  // namespace addin
