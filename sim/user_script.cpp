#include "sim/user_script.h"

#include "sim/windows_path.h"

namespace sim {

DialogRequest fileDialogRequest(HostKind host, std::wstring source, DialogKind kind, std::wstring folder,
                                std::wstring file) {
  DialogRequest request;
  request.host = host;
  request.source = std::move(source);
  request.kind = kind;
  if (!file.empty() && !windows_path::hasWildcard(file)) request.proposal = windows_path::join(folder, file);
  request.initialFolder = std::move(folder);
  request.initialFileName = std::move(file);
  return request;
}

void UserScript::choose(std::wstring path) { answers_.push_back({DialogAnswer::Chosen, std::move(path)}); }

void UserScript::accept() { answers_.push_back({DialogAnswer::Accepted, {}}); }

void UserScript::cancel() { answers_.push_back({DialogAnswer::Cancelled, {}}); }

std::optional<std::wstring> UserScript::answer(const DialogRequest& request) {
  ShownDialog shown{request, DialogAnswer::Unanswered, {}};
  if (!answers_.empty()) {
    const Queued next = answers_.front();
    answers_.pop_front();
    shown.answer = next.answer;
    if (next.answer == DialogAnswer::Chosen) {
      shown.result = windows_path::isAbsolute(next.path) ? next.path
                                                         : windows_path::join(request.initialFolder, next.path);
    } else if (next.answer == DialogAnswer::Accepted) {
      // With nothing proposed, OK does not close the dialog; the user gives up and cancels.
      shown.result = request.proposal;
    }
  }
  shown_.push_back(shown);
  if (shown.result.empty()) return std::nullopt;
  return shown.result;
}

}  // namespace sim
