// Save As and Encrypt: refuse documents that must never be encrypted, log in to a vault, then show
// the host's own Save As dialog in the vault's drive; the host saves the document there.

#include "addin/class_addin.h"
#include "addin/error_trap.h"
#include "addin/messages.h"
#include "commands/path_utilities.h"
#include "commands/vault_server.h"
#include "office/office.h"
#include "support/restrictions.h"

namespace addin {

void ClassAddIn::SaveAsAndEncrypt() {
  trappingErrors(
      [&] {
        strCurrentOperation = L"SaveAs";
        CheckActiveDocument();

        const std::wstring name = HostName();
        bool useVault = false;
        std::int16_t version = 0;
        if (name == office::kWordName || name == office::kExcelName) {
          useVault = true;
        } else if (name == office::kPowerPointName) {
          version = PowerPointVersion();
          useVault = version > 9;
        }
        std::wstring vaultRoot;
        if (useVault && !LoginToVault(vaultRoot)) return;

        std::wstring fullName;
        if (!IsNewDocument()) {
          const Object document = ActiveDocumentOfHost(name);
          if (document) fullName = document.get(L"FullName").toString();
          if (!fullName.empty() && !support::Restrictions(platform_).IsEncryptionAllowed(fullName)) {
            platform_.ui.messageBox(GetMessage(message::kCriticalFile), commands::kApplicationTitle,
                                    platform::kMbOk | platform::kMbIconHand);
            return;
          }
        }

        if (name == office::kWordName) {
          ShowWordFileDialog(office::wdDialogFileSaveAs, vaultRoot);
        } else if (name == office::kExcelName) {
          const std::wstring proposed = fullName.empty() ? L"Book1.xls" : commands::GetFileNameFromPath(fullName);
          const Variant savedPath = g_objHostApp.get(L"DefaultFilePath");
          try {
            platform_.fileSystem.setCurrentDirectory(vaultRoot);
            // Excel's Dialog.Show takes its thirty arguments as Variants by value.
            const Variant fileName = vaultRoot + proposed;
            g_objHostApp.get(L"Dialogs").toObject().get(L"", {Arg(office::xlDialogSaveAs)}).toObject().call(
                L"Show", {Arg(fileName)});
          } catch (...) {
            ignoringErrors([&] { retryingOnce([&] { g_objHostApp.put(L"DefaultFilePath", savedPath); }); });
            throw;
          }
          retryingOnce([&] { g_objHostApp.put(L"DefaultFilePath", savedPath); });
        } else if (name == office::kPowerPointName && version > 9) {
          Object dialog = g_objHostApp.get(L"FileDialog", {Arg(office::msoFileDialogSaveAs)}).toObject();
          platform_.fileSystem.setCurrentDirectory(vaultRoot);
          dialog.put(L"InitialFileName", vaultRoot + L"*.ppt");
          if (dialog.call(L"Show").toInt32() == -1) dialog.call(L"Execute");
          dialog = Object();
        }
      },
      [&](const ComError& error) { ReportCommandError(error); });
}

}  // namespace addin
