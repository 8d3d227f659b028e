// Open Encrypted File: log in to a vault, then show the host's own Open dialog in the vault's drive;
// the host opens the document the user picks there.

#include "addin/class_addin.h"
#include "addin/error_trap.h"
#include "office/office.h"

namespace addin {

void ClassAddIn::OpenEncryptedFile() {
  trappingErrors(
      [&] {
        strCurrentOperation = L"Open";
        std::int16_t kind = kHostPowerPoint;
        bool useVault = true;
        std::int16_t version = 0;
        const std::wstring name = HostName();
        if (name == office::kWordName) {
          kind = kHostWord;
        } else if (name == office::kExcelName) {
          kind = kHostExcel;
        } else {
          version = PowerPointVersion();
          useVault = version > 9;
        }
        ToolbarPlacement placement;
        StoreToolbarPlacement(kind, placement, withoutToolbar_);  // only the command's own store may find no toolbar

        std::wstring vaultRoot;
        if (useVault && !LoginToVault(vaultRoot)) return;

        if (kind == kHostWord) {
          ShowWordFileDialog(office::wdDialogFileOpen, vaultRoot);
        } else if (kind == kHostExcel) {
          const Variant savedPath = g_objHostApp.get(L"DefaultFilePath");
          g_objHostApp.put(L"DefaultFilePath", vaultRoot);
          try {
            platform_.fileSystem.setCurrentDirectory(vaultRoot);
            // Excel's Dialog.Show takes its thirty arguments as Variants by value.
            const Variant fileName = vaultRoot;
            g_objHostApp.get(L"Dialogs").toObject().get(L"", {Arg(office::xlDialogOpen)}).toObject().call(
                L"Show", {Arg(fileName)});
          } catch (...) {
            // Excel keeps DefaultFilePath across sessions: leaving the vault's drive there would
            // change the user's settings for good.
            ignoringErrors([&] { retryingOnce([&] { g_objHostApp.put(L"DefaultFilePath", savedPath); }); });
            throw;
          }
          retryingOnce([&] { g_objHostApp.put(L"DefaultFilePath", savedPath); });
        } else if (version <= 9) {
          platform_.ui.sendKeys(L"^o");
        } else {
          Object dialog =
              g_objHostApp.get(L"FileDialog", {Arg(office::msoFileDialogOpen)}).toObject();
          platform_.fileSystem.setCurrentDirectory(vaultRoot);
          dialog.put(L"InitialFileName", vaultRoot + L"*.*");
          if (dialog.call(L"Show").toInt32() == -1) dialog.call(L"Execute");
          dialog = Object();
          platform_.fileSystem.setCurrentDirectory(vaultRoot);
        }
      },
      [&](const ComError& error) { ReportCommandError(error); });
}

}  // namespace addin
