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
  if (std::find(mounted_.begin(), mounted_.end(), vault->drive) == mounted_.end()) mounted_.push_back(vault->drive);
  drive = std::wstring(1, vault->drive);
  return finish(vault->name, kVaultLoggedIn);
}

std::int32_t VaultService::isFileFromVault(const std::wstring& path) {
  queried_.push_back(path);
  for (wchar_t drive : mounted_) {
    const std::wstring root = std::wstring(1, drive) + L":\\";
    if (path.size() > root.size() && platform::equalsIgnoreCase(path.substr(0, root.size()), root)) return 0;
  }
  return -1;
}

Object VaultService::createObject() {
  ++objectsCreated_;
  return Object(std::make_shared<VaultServerObject>(*this));
}

}  // namespace sim
