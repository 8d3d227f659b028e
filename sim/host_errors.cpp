#include "sim/host_errors.h"

namespace sim::host_errors {

ComError invalidArgument() { return ComError(kInvalidArgument, L"Invalid procedure call or argument"); }

ComError methodFailed(const std::wstring& method, const std::wstring& object) {
  return ComError(kFail, L"Method '" + method + L"' of object '" + object + L"' failed");
}

ComError commandBarObjectGone() {
  return ComError(kDisconnected, L"The object invoked has disconnected from its clients.");
}

ComError hostEnded() { return ComError(kServerUnavailable, L"The RPC server is unavailable."); }

ComError noActiveDocument(HostKind kind) {
  if (kind == HostKind::PowerPoint) {
    return ComError(kPowerPointInvalidRequest,
                    L"Application.ActivePresentation : Invalid request.  There is no active presentation.");
  }
  if (kind == HostKind::Excel) return ComError(kExcelFailure, L"No workbook is open.");
  return ComError(kWordNoDocument, L"This command is not available because no document is open.");
}

ComError fileNotFound(HostKind kind, const std::wstring& path) {
  switch (kind) {
    case HostKind::Word:
      return ComError(kWordFileNotFound, L"This file could not be found.\r\n(" + path + L")");
    case HostKind::Excel:
      return ComError(kExcelFailure, L"'" + path +
                                         L"' could not be found. Check the spelling of the file name, and verify "
                                         L"that the file location is correct.");
    case HostKind::PowerPoint:
      return ComError(kFail, L"Presentations.Open : PowerPoint could not open the file.");
  }
  return ComError(kFail, path);
}

ComError cannotSave(HostKind kind, const std::wstring& path) {
  switch (kind) {
    case HostKind::Word: return ComError(kWordCommandFailed, L"Command failed (" + path + L")");
    case HostKind::Excel: return ComError(kExcelFailure, L"Microsoft Excel cannot access the file '" + path + L"'.");
    case HostKind::PowerPoint: return ComError(kFail, L"Presentation.SaveAs : PowerPoint can't save " + path + L".");
  }
  return ComError(kFail, path);
}

ComError documentClosed(HostKind kind) {
  if (kind == HostKind::Word) return ComError(kWordObjectDeleted, L"Object has been deleted.");
  return commandBarObjectGone();
}

}  // namespace sim::host_errors
