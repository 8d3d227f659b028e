#pragma once
// The failures the simulated hosts raise, with the numbers (HRESULTs) and descriptions the real
// applications give, so that the add-in reports them as a user would see them.

#include <cstdint>
#include <string>

#include "automation/com_error.h"
#include "sim/host_kind.h"

namespace sim::host_errors {

using automation::ComError;

// 0x800A0005: the Automation "Invalid procedure call or argument" that Office's command bars raise.
inline constexpr std::int32_t kInvalidArgument = static_cast<std::int32_t>(0x800A0005u);
// 0x80010108: a deleted command bar or control, or a closed workbook, used afterwards.
inline constexpr std::int32_t kDisconnected = static_cast<std::int32_t>(0x80010108u);
// 0x800706BA: any object of a host that has ended.
inline constexpr std::int32_t kServerUnavailable = static_cast<std::int32_t>(0x800706BAu);
// Word's 4248 "no document is open", 5174 "file could not be found", 5825 "object has been
// deleted", 5941 "member of the collection does not exist", 4198 "command failed".
inline constexpr std::int32_t kWordNoDocument = static_cast<std::int32_t>(0x800A1098u);
inline constexpr std::int32_t kWordFileNotFound = static_cast<std::int32_t>(0x800A1436u);
inline constexpr std::int32_t kWordObjectDeleted = static_cast<std::int32_t>(0x800A16C1u);
inline constexpr std::int32_t kWordNoSuchMember = static_cast<std::int32_t>(0x800A1735u);
inline constexpr std::int32_t kWordCommandFailed = static_cast<std::int32_t>(0x800A1066u);
// Excel's 1004, the number of nearly every Excel failure.
inline constexpr std::int32_t kExcelFailure = static_cast<std::int32_t>(0x800A03ECu);
// PowerPoint's "Invalid request" and its general failure.
inline constexpr std::int32_t kPowerPointInvalidRequest = static_cast<std::int32_t>(0x80048240u);
inline constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005u);
// OleCreatePictureIndirect's answer to a bitmap it cannot use.
inline constexpr std::int32_t kInvalidParameter = static_cast<std::int32_t>(0x80070057u);

ComError invalidArgument();
ComError methodFailed(const std::wstring& method, const std::wstring& object);
ComError commandBarObjectGone();
ComError hostEnded();
ComError noActiveDocument(HostKind kind);  // Word and PowerPoint; Excel answers Nothing instead
ComError fileNotFound(HostKind kind, const std::wstring& path);
ComError cannotSave(HostKind kind, const std::wstring& path);
ComError documentClosed(HostKind kind);

}  // namespace sim::host_errors
