#include "commandbars/reg_intfc.h"

#include "support/reg_op.h"

namespace RegIntfc {

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
  reg.Value(L"Left", Variant(lLeft));
  reg.Value(L"Index", Variant(lRowIndex));
  reg.Value(L"Position", Variant(lPosition));
  reg.Value(L"Width", Variant(lWidth));
  return true;
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
