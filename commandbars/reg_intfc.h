#pragma once
// RegIntfc: where each host's toolbar was (per user, in the registry), and whether the product has a
// default vault set up.

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace RegIntfc {

// The toolbar placement keys under HKEY_CURRENT_USER, by host kind (1 Word, 2 Excel, else PowerPoint).
std::wstring ToolbarPlacementKey(std::int16_t hostKind);
inline constexpr wchar_t kInstallKey[] = L"Software\\Palvantis\\Lockfolio";

// Reads the stored placement; a missing value (or one stored as -1) is written with its default
// (Left 0, Index 3, Position 1, Width 79) and returned as that. Raises ComError 13 for a stored
// value that is no number, and 70 when the registry refuses the read. Returns true.
bool GetToolbarPlacement(const platform::Platform& platform, std::int16_t hostKind, std::int32_t& lLeft,
                         std::int32_t& lRowIndex, std::int32_t& lWidth, std::int32_t& lPosition);

// Stores the placement: all four values, or none. False when the registry refused them; the values
// it had are then put back.
bool SaveToolbarPlacement(const platform::Platform& platform, std::int16_t hostKind, std::int32_t lLeft,
                          std::int32_t lRowIndex, std::int32_t lWidth, std::int32_t lPosition);

// Whether a default vault is set up: "Path" set, or else "Hard" a number other than -1. `strValue`
// receives the text that decided. Raises ComError 13 for a "Hard" that is empty or no number.
bool IsDefaultVaultSet(const platform::Platform& platform, std::wstring& strValue);

}  // namespace RegIntfc
