#pragma once
// The few rules about Windows paths that the simulated hosts apply to document names and to the
// text in their file dialogs.

#include <functional>
#include <string>

namespace sim::windows_path {

// "V:\Reports\Q3.doc" gives "Q3.doc"; a text without a backslash is a name already.
std::wstring fileNameOf(const std::wstring& path);
// "V:\Reports\Q3.doc" gives "V:\Reports"; a file in a drive's root gives the root, "V:\".
std::wstring folderOf(const std::wstring& path);
// Joins with exactly one backslash; an empty folder leaves the name alone.
std::wstring join(const std::wstring& folder, const std::wstring& name);
// A drive path ("V:\...") or a network path ("\\server\...").
bool isAbsolute(const std::wstring& path);
bool hasWildcard(const std::wstring& text);
bool hasExtension(const std::wstring& name);
// Windows compares file names without regard to case.
bool sameFile(const std::wstring& a, const std::wstring& b);

// What a file dialog makes of the text in its file-name box: the folder it opens in and the name
// (or pattern) it shows. `isFolder` tells whether a text without a trailing backslash names an
// existing folder.
struct DialogText {
  std::wstring folder;
  std::wstring file;
};
DialogText splitDialogText(const std::wstring& text, const std::function<bool(const std::wstring&)>& isFolder);

}  // namespace sim::windows_path
