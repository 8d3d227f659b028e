#include "platform/com_error.h"

#include "platform/text.h"

namespace platform {

ComError::ComError(std::int32_t number, std::wstring description)
    : number_(number), description_(std::move(description)) {
  what_ = "error " + std::to_string(number_) + ": " + toUtf8(description_);
}

ComError ComError::automation(std::int32_t number, std::wstring description) {
  if (description.empty()) description = automationErrorDescription(number);
  return ComError(number, std::move(description));
}

std::wstring automationErrorDescription(std::int32_t number) {
  switch (number) {
    case errors::kInvalidProcedureCall: return L"Invalid procedure call or argument";
    case errors::kOverflow: return L"Overflow";
    case errors::kTypeMismatch: return L"Type mismatch";
    case errors::kFileNotFound: return L"File not found";
    case errors::kFileAlreadyExists: return L"File already exists";
    case errors::kPermissionDenied: return L"Permission denied";
    case errors::kPathFileAccessError: return L"Path/File access error";
    case errors::kPathNotFound: return L"Path not found";
    case errors::kObjectNotSet: return L"Object variable or With block variable not set";
    case errors::kInvalidUseOfNull: return L"Invalid use of Null";
    case errors::kObjectRequired: return L"Object required";
    case errors::kCannotCreateObject: return L"ActiveX component can't create object";
    default: return {};
  }
}

}  // namespace platform
