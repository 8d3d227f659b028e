#pragma once
// The one error type of the add-in: a failure as the user sees it, a 32-bit number and a description.
// Host failures keep the host's HRESULT; failures of our own use the Automation error numbers below.
// Platform services raise it too, which is why it lives at the bottom layer.

#include <cstdint>
#include <exception>
#include <string>

namespace platform {

namespace errors {
inline constexpr std::int32_t kInvalidProcedureCall = 5;
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kFileNotFound = 53;
inline constexpr std::int32_t kFileAlreadyExists = 58;
inline constexpr std::int32_t kPermissionDenied = 70;
inline constexpr std::int32_t kPathFileAccessError = 75;
inline constexpr std::int32_t kPathNotFound = 76;
inline constexpr std::int32_t kObjectNotSet = 91;
inline constexpr std::int32_t kInvalidUseOfNull = 94;
inline constexpr std::int32_t kObjectRequired = 424;
inline constexpr std::int32_t kCannotCreateObject = 429;
}  // namespace errors

class ComError : public std::exception {
 public:
  ComError(std::int32_t number, std::wstring description);

  // An error of our own with the conventional description of its number ("Overflow", ...),
  // or with the given one when it says more.
  static ComError automation(std::int32_t number, std::wstring description = {});

  std::int32_t number() const noexcept { return number_; }
  const std::wstring& description() const noexcept { return description_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  std::int32_t number_;
  std::wstring description_;
  std::string what_;  // UTF-8, for logs and test output
};

// The conventional description of an Automation error number; empty for numbers we never raise.
std::wstring automationErrorDescription(std::int32_t number);

}  // namespace platform
