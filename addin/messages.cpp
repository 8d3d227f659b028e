#include "addin/messages.h"

#include "addin/cls_res_str.h"

namespace addin {

std::wstring GetMessage(const platform::Platform& platform, const std::int32_t& id) {
  clsResStr resources(platform.resources);
  return resources.GetString(id);
}

std::wstring ErrorMessagePrompt(const platform::Platform& platform, const platform::ComError& error, std::int16_t id) {
  return GetMessage(platform, id) + L"\r\n\r\nError: " + std::to_wstring(error.number()) + L" - " + error.description();
}

void ShowErrorMessage(const platform::Platform& platform, const platform::ComError& error, std::int16_t id) {
  const std::wstring prompt = ErrorMessagePrompt(platform, error, id);
  const std::wstring title = GetMessage(platform, message::kErrorBoxTitle);
  platform.ui.messageBox(prompt, title, platform::kMbOk | platform::kMbIconExclamation | platform::kMbSetForeground);
}

}  // namespace addin
