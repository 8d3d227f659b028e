#include "commandbars/reg_intfc.h"

#include <utility>
#include <vector>

#include "support/reg_op.h"

namespace RegIntfc {

using automation::ComError;
using automation::Variant;

std::wstring ToolbarPlacementKey(std::int16_t hostKind) {
  switch (hostKind) {
    case 1: return L"Software\\Palvantis\\LockfolioAddIn\\Word";
    case 2: return L"Software\\Palvantis\\LockfolioAddIn\\Excel";
    default: return L"Software\\Palvantis\\LockfolioAddIn\\PPT";
  }
}

bool GetToolbarPlacement(const platform::Platform& platform, std::int16_t hostKind, std::int32_t& lLeft,
                         std::int32_t& lRowIndex, std::int32_t& lWidth, std::int32_t& lPosition) {
  support::RegOp reg(platform);
  reg.Root(platform::kHkeyCurrentUser);
  reg.Key(ToolbarPlacementKey(hostKind));
  lRowIndex = reg.Value(L"Index").toInt32();
  lLeft = reg.Value(L"Left").toInt32();
  lPosition = reg.Value(L"Position").toInt32();
  lWidth = reg.Value(L"Width").toInt32();
  // A read the registry refused is no missing value: writing defaults would replace the user's.
  if (reg.Failed()) throw ComError::automation(platform::errors::kPermissionDenied);
  if (lLeft == -1) {
    reg.Value(L"Left", Variant(std::int32_t{0}));
    lLeft = 0;
  }
  if (lRowIndex == -1) {
    reg.Value(L"Index", Variant(std::int32_t{3}));
    lRowIndex = 3;
  }
  if (lPosition == -1) {
    reg.Value(L"Position", Variant(std::int32_t{1}));
    lPosition = 1;
  }
  if (lWidth == -1) {
    reg.Value(L"Width", Variant(std::int32_t{79}));
    lWidth = 79;
  }
  return true;
}

bool SaveToolbarPlacement(const platform::Platform& platform, std::int16_t hostKind, std::int32_t lLeft,
                          std::int32_t lRowIndex, std::int32_t lWidth, std::int32_t lPosition) {
  support::RegOp reg(platform);
  reg.Root(platform::kHkeyCurrentUser);
  reg.Key(ToolbarPlacementKey(hostKind));
  // The four values go together: what was there is read first, so that a refused write can put it
  // back, and nothing is written when even that read is refused.
  const std::pair<const wchar_t*, Variant> placement[] = {
      {L"Left", Variant(lLeft)}, {L"Index", Variant(lRowIndex)}, {L"Position", Variant(lPosition)}, {L"Width", Variant(lWidth)}};
  std::vector<Variant> before;
  for (const auto& entry : placement) before.push_back(reg.Value(entry.first));
  if (reg.Failed()) return false;
  for (const auto& entry : placement) reg.Value(entry.first, entry.second);
  if (!reg.Failed()) return true;
  for (std::size_t i = 0; i < before.size(); ++i) {
    const bool missing = before[i].type() == Variant::Type::Int16 && before[i].toInt32() == -1;
    if (missing) {
      reg.DeleteValue(placement[i].first);
    } else {
      reg.Value(placement[i].first, before[i]);
    }
  }
  return false;
}

bool IsDefaultVaultSet(const platform::Platform& platform, std::wstring& strValue) {
  support::RegOp reg(platform);
  reg.Root(platform::kHkeyCurrentUser);
  reg.Key(kInstallKey);
  strValue.clear();
  strValue = reg.Value(L"Path").toString();
  if (strValue != L"-1" && !strValue.empty()) return true;
  strValue = reg.Value(L"Hard").toString();
  const double number = Variant(strValue).toDouble();
  return number != -1 && !strValue.empty();
}

}  // namespace RegIntfc
