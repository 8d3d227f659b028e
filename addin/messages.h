#pragma once
// The add-in's message lookup and its one error box for failed set-up steps.

#include <cstdint>
#include <string>

#include "platform/com_error.h"
#include "platform/platform.h"

namespace addin {

// Message identifiers that the code names.
namespace message {
inline constexpr std::int32_t kApplicationTitle = 101;
inline constexpr std::int32_t kErrorBoxTitle = 102;
inline constexpr std::int32_t kMenuCaption = 105;
inline constexpr std::int32_t kToolbarName = 106;
inline constexpr std::int32_t kOpenCaption = 107;
inline constexpr std::int32_t kSaveCaption = 108;
inline constexpr std::int32_t kSaveAsCaption = 109;
inline constexpr std::int32_t kErrorLoading = 120;
inline constexpr std::int32_t kErrorAddingToolbar = 150;
inline constexpr std::int32_t kErrorAddingMenu = 151;
inline constexpr std::int32_t kErrorAddingMenuItem = 152;
inline constexpr std::int32_t kErrorAddingImages = 153;
inline constexpr std::int32_t kStorageFolderName = 155;
inline constexpr std::int32_t kCriticalFile = 168;
inline constexpr std::int32_t kProtectedLocations = 169;
inline constexpr std::int32_t kProtectedExtension = 170;
}  // namespace message

// The text of a message, through a clsResStr made for this one lookup.
std::wstring GetMessage(const platform::Platform& platform, const std::int32_t& id);

// The prompt of the error box: the message, an empty line, then "Error: <number> - <description>".
std::wstring ErrorMessagePrompt(const platform::Platform& platform, const platform::ComError& error, std::int16_t id);

// Shows the error box for `error` (number 0 and no description when there is none) with message
// `id`, titled with message 102, with OK, the exclamation icon and brought to the foreground.
void ShowErrorMessage(const platform::Platform& platform, const platform::ComError& error, std::int16_t id);

}  // namespace addin
