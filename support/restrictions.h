#pragma once
// Restrictions: whether a file may be encrypted into the vault. Read-only, hidden and system files,
// files named like drivers (".sys") and files in a protected location (the maker's name, the Windows
// folder) are refused. The two lists come from the string table (messages 169 and 170) at every check.
// Where the file system ignores letter case (Windows) so do the comparisons; elsewhere they are exact.

#include <string>

#include "platform/platform.h"

namespace support {

class Restrictions {
 public:
  explicit Restrictions(const platform::Platform& platform) : platform_(platform) {}

  // Judges the one path the file system reports for the file, however `strFilename` spells it.
  // Raises the file system's error (53 file not found, 70 permission denied) for a file whose
  // attributes cannot be read: a missing file is a failed call, not a refusal. So is a folder (53),
  // and a device or pipe (75, never opened).
  bool IsEncryptionAllowed(const std::wstring& strFilename);
  // True when the file cannot be opened for writing: in use elsewhere, not writable, or not there.
  // Raises 75 for a device or pipe, which is never opened.
  bool IsFileOpen(const std::wstring& strFilename);

 private:
  // The file's attribute bits; raises 53 for a folder.
  std::uint32_t FileAttributes(const std::wstring& strFilename);
  bool IsReadOnlyFile(const std::wstring& strFilename);
  bool IsSystemFile(const std::wstring& strFilename);
  bool IsInProtectedLocation(const std::wstring& strFilename);
  std::wstring GetListEntryValue(const std::wstring& entry);
  bool Contains(const std::wstring& text, const std::wstring& part) const;

  platform::Platform platform_;
};

}  // namespace support
