#include "support/cls_session_folder.h"

#include <limits>

#include "platform/caller_path.h"

namespace support {

using automation::Variant;
using platform::ComError;
namespace errors = platform::errors;

namespace {

constexpr std::int32_t kWrap = 9999;
constexpr double kCategoryStep = 10000;

std::int16_t numberOf(double value) {
  return static_cast<std::int16_t>(automation::roundToInteger(value, std::numeric_limits<std::int16_t>::min(),
                                                              std::numeric_limits<std::int16_t>::max()));
}

// counter + 1 with the Automation rules for a variant: the type widens instead of overflowing.
Variant incremented(const Variant& counter) {
  switch (counter.type()) {
    case Variant::Type::Empty:
      return Variant(std::int16_t{1});
    case Variant::Type::Bool:
    case Variant::Type::Int16: {
      const std::int32_t next = counter.toInt16() + 1;
      if (next > std::numeric_limits<std::int16_t>::max()) return Variant(next);
      return Variant(static_cast<std::int16_t>(next));
    }
    case Variant::Type::Int32: {
      const std::int64_t next = static_cast<std::int64_t>(counter.toInt32()) + 1;
      if (next > std::numeric_limits<std::int32_t>::max()) return Variant(static_cast<double>(next));
      return Variant(static_cast<std::int32_t>(next));
    }
    case Variant::Type::Null:
      throw ComError::automation(errors::kInvalidUseOfNull);
    default:
      return Variant(counter.toDouble() + 1);
  }
}

// counter Mod 9999: both sides rounded to whole numbers, a 16-bit result for a 16-bit counter.
Variant wrapped(const Variant& counter) {
  if (counter.type() == Variant::Type::Int16) return Variant(static_cast<std::int16_t>(counter.toInt16() % kWrap));
  return Variant(static_cast<std::int32_t>(counter.toInt32() % kWrap));
}

bool isPlainDecimal(const std::wstring& digits) {
  std::size_t start = (!digits.empty() && digits[0] == L'-') ? 1 : 0;
  if (start == digits.size()) return false;
  if (digits[start] == L'0' && digits.size() > start + 1) return false;  // no leading zeros
  for (std::size_t i = start; i < digits.size(); ++i) {
    if (digits[i] < L'0' || digits[i] > L'9') return false;
  }
  return digits.size() - start <= 6;
}

}  // namespace

std::wstring clsSessionFolder::NextFolder(const std::wstring& strPath, std::int16_t& nCategory,
                                          std::int16_t& nCounter) {
  const std::int32_t next = nCounter + 1;
  if (next > std::numeric_limits<std::int16_t>::max()) throw ComError::automation(errors::kOverflow);
  nCounter = static_cast<std::int16_t>(next);
  nCounter = static_cast<std::int16_t>(nCounter % kWrap);
  const std::int16_t number = numberOf(kCategoryStep * nCategory + nCounter);
  const std::wstring name = L"vfn" + std::to_wstring(number);
  // The folder belongs inside the base folder, whether or not the caller ended it with a separator.
  platform::refuseDevicePath(strPath);
  const std::wstring folder = platform::joinPath(strPath, name);
  if (!platform_.fileSystem.folderExists(folder)) platform_.fileSystem.createFolder(folder);
  return name + L"\\";
}

bool clsSessionFolder::IsSessionFolderName(const std::wstring& name, std::int16_t category) {
  if (name.compare(0, 3, L"vfn") != 0) return false;
  const std::wstring digits = name.substr(3);
  if (!isPlainDecimal(digits)) return false;
  const long number = std::stol(digits);
  if (number < std::numeric_limits<std::int16_t>::min() || number > std::numeric_limits<std::int16_t>::max()) {
    return false;
  }
  const long counter = number - 10000L * category;
  return counter >= 0 && counter < kWrap;
}

void clsSessionFolder::RemoveFolders(const std::wstring& strPath, std::int16_t& nCategory) {
  // A folder goes only when both tests agree. Callers have always been told that a folder whose
  // name lacks "vfn<category>" stays (category 0 keeps vfn1 to vfn9998, which are also category 1's
  // names for a negative counter); and a name that merely contains it (another category's vfn15, a
  // user's myvfn1data) is someone else's data unless NextFolder makes exactly that name.
  const std::wstring pattern = L"vfn" + std::to_wstring(nCategory);
  platform::refuseDevicePath(strPath);
  for (const std::wstring& name : platform_.fileSystem.subFolderNames(strPath)) {
    if (name.find(pattern) != std::wstring::npos && IsSessionFolderName(name, nCategory)) {
      platform_.fileSystem.deleteFolder(platform::joinPath(strPath, name));  // the folder it listed
    }
  }
}

std::wstring clsSessionFolder::NextFilename(std::int16_t& nCategory, Variant& nFileCounter) {
  nFileCounter = incremented(nFileCounter);
  nFileCounter = wrapped(nFileCounter);
  const std::int16_t number = numberOf(nFileCounter.toDouble() + kCategoryStep * nCategory);
  return L"vfin" + std::to_wstring(number);
}

}  // namespace support
