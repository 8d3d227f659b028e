#include "addin/cls_res_str.h"

#include "platform/com_error.h"

namespace addin {

std::wstring clsResStr::GetString(const std::int32_t& StringIndex) {
  if (!LoadLocalizedResources()) return L"Error : No Local Data";
  auto text = resources_.loadString(StringIndex);
  if (!text) {
    throw platform::ComError::automation(
        platform::errors::kInvalidProcedureCall,
        L"There is no message " + std::to_wstring(StringIndex) + L" in the Lockfolio string table");
  }
  return *text;
}

}  // namespace addin
