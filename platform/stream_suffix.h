#pragma once
// A Windows path may name one of a file's data streams: "C:\Docs\a.doc:notes" (or
// "a.doc:notes:$DATA", or "a.doc::$DATA" for the file's own). The stream's part begins at the first
// colon of the last name; a drive's colon is never in the last name.

#include <string>

namespace platform {

// Where the stream's part of `path` begins, or npos when the path names a file or folder itself.
inline std::size_t streamSuffixStart(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return std::wstring::npos;
  return path.find(L':', separator + 1);
}

// The path of the file whose stream `path` names (the path itself when it names no stream).
inline std::wstring withoutStreamSuffix(const std::wstring& path) { return path.substr(0, streamSuffixStart(path)); }

}  // namespace platform
