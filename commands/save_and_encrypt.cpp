// Save and Encrypt: a document the vault server counts as its own is saved in place; any other
// document, and one never saved, goes through Save As and Encrypt.

#include "addin/class_addin.h"
#include "addin/error_trap.h"
#include "commandbars/reg_intfc.h"
#include "commands/path_utilities.h"
#include "commands/vault_server.h"
#include "office/office.h"

namespace addin {

void ClassAddIn::SaveAndEncrypt() {
  trappingErrors(
      [&] {
        strCurrentOperation = L"Save";
        std::wstring decidingText;
        if (!RegIntfc::IsDefaultVaultSet(platform_, decidingText)) {
          platform_.ui.messageBox(
              L"You need a Default Vault to use this feature, however, one has not been created."
              L"See the Lockfolio Help to create a vault.",
              commands::kApplicationTitle, platform::kMbOk);
          return;
        }
        if (IsNewDocument()) {
          SaveAsAndEncrypt();
          return;
        }
        Object vault = objects_.create(commands::kVaultServerProgId);
        if (!vault) {
          platform_.ui.messageBox(commands::kServerNotFound, commands::kApplicationTitle, platform::kMbOk);
          return;
        }
        const std::wstring name = HostName();
        const Object document = ActiveDocumentOfHost(name);
        if (!(name == office::kWordName || name == office::kExcelName || name == office::kPowerPointName)) return;
        const std::wstring folder = commands::GetLongFolderPath(platform_, document.get(L"Path").toString());
        Variant fullPath = folder + document.get(L"Name").toString();
        const std::int32_t result = vault.call(L"IsFileFromVault", {Arg::byRef(fullPath)}).toInt32();
        vault = Object();
        if (result == -1) {
          SaveAsAndEncrypt();
        } else {
          document.call(L"Save");
        }
      },
      [&](const ComError& error) { ReportCommandError(error); });
}

}  // namespace addin
