#include "sim/folder_vault.h"

#include <algorithm>
#include <cwctype>

#include "platform/text.h"

namespace sim {

namespace {

// The server object: created for one use, stateless apart from the service it belongs to.
class VaultServerObject : public SimObject {
 public:
  explicit VaultServerObject(VaultService& service) {
    signature(L"Morvane.IVaultServer");
    method(L"SelectAndLogin", {L"strDrive"}, [&service](Params& params) -> Variant {
      std::wstring drive = params.has(0) ? params.at(0).toString() : L"";
      const std::int32_t result = service.selectAndLogin(drive);
      if (params.has(0)) params.ref(0) = Variant(drive);
      return Variant(result);
    });
    method(L"IsFileFromVault", {L"strPath"}, [&service](Params& params) -> Variant {
      return Variant(service.isFileFromVault(params.at(0).toString()));
    });
  }
};

}  // namespace

void VaultService::answerLogin(const std::wstring& vaultName, const std::wstring& password) {
  answers_.push_back({false, vaultName, password});
}

void VaultService::answerCancel() { answers_.push_back({true, {}, {}}); }

std::int32_t VaultService::selectAndLogin(std::wstring& drive) {
  ++loginWindowsShown_;
  const auto finish = [&](const std::wstring& vault, std::int32_t result) {
    logins_.push_back({vault, result, result == kVaultLoggedIn ? drive : L""});
    return result;
  };
  if (answers_.empty()) return finish(L"", kVaultCancelled);  // nobody there to answer: the window is closed
  const Answer answer = answers_.front();
  answers_.pop_front();
  if (answer.cancel) return finish(L"", kVaultCancelled);
  auto vault = std::find_if(vaults_.begin(), vaults_.end(),
                            [&](const VaultDefinition& v) { return platform::equalsIgnoreCase(v.name, answer.vault); });
  if (vault == vaults_.end()) return finish(answer.vault, kVaultUnknown);
  if (vault->password != answer.password) return finish(vault->name, kVaultWrongPassword);
  mount_(*vault);
  mounted_.insert(static_cast<wchar_t>(std::towupper(vault->drive)));
  drive = std::wstring(1, vault->drive);
  return finish(vault->name, kVaultLoggedIn);
}

std::int32_t VaultService::isFileFromVault(const std::wstring& path) {
  queried_.push_back(path);
  const bool onADrive = path.size() > 3 && path[1] == L':' && path[2] == L'\\';
  if (!onADrive || mounted_.count(static_cast<wchar_t>(std::towupper(path[0]))) == 0) return -1;
  // The letter leads into the vault it holds now. A document of a vault that held the letter
  // before is not in it, and saving it in place would write it into the wrong vault.
  return fileExists_(path) ? 0 : -1;
}

Object VaultService::createObject() {
  ++objectsCreated_;
  return Object(std::make_shared<VaultServerObject>(*this));
}

}  // namespace sim
