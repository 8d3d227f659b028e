#include "support/restrictions.h"

#include <vector>

#include "addin/messages.h"
#include "platform/caller_path.h"
#include "platform/com_error.h"
#include "platform/stream_suffix.h"
#include "platform/text.h"

namespace support {
namespace {

std::vector<std::wstring> splitAtComma(const std::wstring& list) {
  std::vector<std::wstring> entries;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = list.find(L',', start);
    entries.push_back(list.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start));
    if (comma == std::wstring::npos) return entries;
    start = comma + 1;
  }
}

}  // namespace

bool Restrictions::IsEncryptionAllowed(const std::wstring& strFilename) {
  // Windows opens one file under many spellings (links, short names, "..", prefixes, streams):
  // the rules are applied to the one path the file system reports for it, or they could be
  // walked around by spelling alone. A device or a pipe is no file, and is never opened.
  platform::refuseDevicePath(strFilename);
  const std::wstring canonical = platform_.fileSystem.canonicalPath(strFilename);
  if (IsReadOnlyFile(canonical)) return false;
  if (IsSystemFile(canonical)) return false;
  return !IsInProtectedLocation(canonical);
}

bool Restrictions::IsFileOpen(const std::wstring& strFilename) {
  platform::refuseDevicePath(strFilename);
  return !platform_.fileSystem.canOpenForWriting(strFilename);
}

std::uint32_t Restrictions::FileAttributes(const std::wstring& strFilename) {
  const std::uint32_t attributes = platform_.fileSystem.attributes(platform::withoutStreamSuffix(strFilename));
  // Only a file is asked about: a folder of that name is no file, as a missing one is none.
  if (attributes & platform::kAttributeDirectory) throw platform::ComError::automation(platform::errors::kFileNotFound);
  return attributes;
}

bool Restrictions::IsReadOnlyFile(const std::wstring& strFilename) {
  return (FileAttributes(strFilename) & platform::kAttributeReadOnly) != 0;
}

bool Restrictions::IsSystemFile(const std::wstring& strFilename) {
  const std::uint32_t attributes = FileAttributes(strFilename);
  if (attributes & (platform::kAttributeHidden | platform::kAttributeSystem)) return true;
  // Four characters of the file's own name, whatever the length of the protected extension.
  const std::wstring file = platform::withoutStreamSuffix(strFilename);
  const std::wstring ending = file.size() > 4 ? file.substr(file.size() - 4) : file;
  const std::wstring extension = addin::GetMessage(platform_, addin::message::kProtectedExtension);
  return platform_.fileSystem.namesIgnoreCase() ? platform::equalsIgnoreCase(ending, extension) : ending == extension;
}

bool Restrictions::IsInProtectedLocation(const std::wstring& strFilename) {
  const std::wstring list = addin::GetMessage(platform_, addin::message::kProtectedLocations);
  bool result = false;
  for (const std::wstring& entry : splitAtComma(list)) {
    if (entry.find(L'$') != std::wstring::npos) {
      const std::wstring value = GetListEntryValue(entry);
      if (!value.empty() && Contains(strFilename, value)) result = true;
    } else if (Contains(strFilename, entry)) {
      result = true;  // an empty entry is contained in every path, so it refuses every file
    }
  }
  return result;
}

std::wstring Restrictions::GetListEntryValue(const std::wstring& entry) {
  // The list writes a variable as ", $NAME": the blank and the "$" go before the name.
  if (entry.size() <= 2) return {};
  return platform_.environment.variable(entry.substr(2)).value_or(L"");
}

bool Restrictions::Contains(const std::wstring& text, const std::wstring& part) const {
  if (platform_.fileSystem.namesIgnoreCase()) return platform::containsIgnoreCase(text, part);
  return text.find(part) != std::wstring::npos;
}

}  // namespace support
