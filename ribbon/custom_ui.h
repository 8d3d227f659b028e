#pragma once
// The Lockfolio tab as customUI XML (the 2006 namespace, the first that Office 2007 reads): one
// group with the three commands as large buttons, captioned from the string table in the user's
// language. Callbacks and ids are named here once; Connect's IDispatch answers the callbacks by
// these names.

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace ribbon {

inline constexpr wchar_t kCustomUiNamespace[] = L"http://schemas.microsoft.com/office/2006/01/customui";

// The RibbonIDs of the hosts' document windows.
inline constexpr wchar_t kWordDocument[] = L"Microsoft.Word.Document";
inline constexpr wchar_t kExcelWorkbook[] = L"Microsoft.Excel.Workbook";
inline constexpr wchar_t kPowerPointPresentation[] = L"Microsoft.PowerPoint.Presentation";

// The callbacks the XML names.
inline constexpr wchar_t kOnLoad[] = L"LockfolioRibbon_OnLoad";
inline constexpr wchar_t kOnAction[] = L"LockfolioRibbon_OnAction";
inline constexpr wchar_t kGetEnabled[] = L"LockfolioRibbon_GetEnabled";
inline constexpr wchar_t kGetImage[] = L"LockfolioRibbon_GetImage";

// Every id starts with the maker's and the product's name, so that no other add-in's ids clash
// with ours; a button's id is the prefix followed by its toolbar button's tag.
inline constexpr wchar_t kIdPrefix[] = L"PalvantisLockfolio.";
std::wstring ButtonId(std::wstring_view toolbarTag);

// The XML for the window `ribbonId`: the tab for the three document windows, "" for any other.
std::wstring CustomUi(const platform::Platform& platform, std::wstring_view ribbonId);

}  // namespace ribbon
