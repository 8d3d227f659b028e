#pragma once
// clsSessionFolder: numbered temporary folders ("vfn<number>") and file names ("vfin<number>").
// The caller owns the base folder, the category and the counters; each call advances its counter
// in place. number = category x 10000 + counter, and must fit 16 signed bits.

#include <cstdint>
#include <string>

#include "automation/variant.h"
#include "platform/platform.h"

namespace support {

class clsSessionFolder {
 public:
  explicit clsSessionFolder(const platform::Platform& platform) : platform_(platform) {}

  void Init() {}
  // Advances nCounter, creates the folder name inside strPath (with or without its final "\")
  // unless it exists, and returns the name and "\".
  // Raises ComError 6 when the counter or the number overflows (the counter stays advanced
  // when only the number does), and the file system's error when the folder cannot be created.
  std::wstring NextFolder(const std::wstring& strPath, std::int16_t& nCategory, std::int16_t& nCounter);
  // Deletes, with their content, the subfolders of strPath whose names contain "vfn<nCategory>" and
  // are names NextFolder makes for nCategory from a counter of 0 to 9998 (category 0: vfn0 only).
  // A link among them is removed itself, never what it points at.
  void RemoveFolders(const std::wstring& strPath, std::int16_t& nCategory);
  // Advances nFileCounter (a whole number in a variant) and returns the file name; creates nothing.
  std::wstring NextFilename(std::int16_t& nCategory, automation::Variant& nFileCounter);

  // Whether `name` is one that NextFolder produces for `category`.
  static bool IsSessionFolderName(const std::wstring& name, std::int16_t category);

 private:
  platform::Platform platform_;
};

}  // namespace support
