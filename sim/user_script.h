#pragma once
// The simulated user at the hosts' file dialogs: a queue of answers that the next dialogs consume,
// and a record of every dialog a host showed, where it opened and how it was answered. With no
// answer queued, the user cancels.

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "sim/host_kind.h"

namespace sim {

enum class DialogKind { Open, SaveAs, FileLocations };

// How the user closed a dialog.
enum class DialogAnswer {
  Chosen,      // picked or typed a path, then confirmed
  Accepted,    // confirmed what the dialog proposed
  Cancelled,   // pressed Cancel
  Unanswered,  // nothing was queued: cancelled as well
};

struct DialogRequest {
  HostKind host = HostKind::Word;
  std::wstring source;           // how it was shown: L"Dialogs(80)", L"FileDialog(2)", L"File > Open", ...
  DialogKind kind = DialogKind::Open;
  std::wstring initialFolder;    // the folder the dialog opened in
  std::wstring initialFileName;  // the text of its file-name box (a name, a pattern, or empty)
  std::wstring proposal;         // the full path that confirming without typing gives; empty: nothing
};

// A file dialog that opens in `folder` with `file` in its name box; confirming it without typing
// gives folder\file when `file` names one file (not empty, no wildcard), and nothing otherwise.
DialogRequest fileDialogRequest(HostKind host, std::wstring source, DialogKind kind, std::wstring folder,
                                std::wstring file);

struct ShownDialog {
  DialogRequest request;
  DialogAnswer answer = DialogAnswer::Unanswered;
  std::wstring result;  // the path the user confirmed; empty when the dialog was cancelled
  bool confirmed() const { return !result.empty(); }
};

class UserScript {
 public:
  // Picks (Open) or types (Save As) this path and confirms. A bare name is taken in the folder the
  // dialog shows. For the file-locations dialog, the new folder.
  void choose(std::wstring path);
  // Confirms what the dialog proposes (the file name in its box, in its folder).
  void accept();
  void cancel();

  std::size_t pendingAnswers() const { return answers_.size(); }
  void clearAnswers() { answers_.clear(); }

  const std::vector<ShownDialog>& shownDialogs() const { return shown_; }
  // The latest dialog, or null when none was shown.
  const ShownDialog* lastDialog() const { return shown_.empty() ? nullptr : &shown_.back(); }
  // A long run forgets what it has read, so that the record does not grow with the run.
  void forgetShownDialogs() { shown_.clear(); }
  void clearShownDialogs() { shown_.clear(); }

  // A host shows a dialog: records it and takes the next answer. Returns the confirmed path, or
  // nothing when the user cancelled.
  std::optional<std::wstring> answer(const DialogRequest& request);

 private:
  struct Queued {
    DialogAnswer answer;
    std::wstring path;
  };
  std::deque<Queued> answers_;
  std::vector<ShownDialog> shown_;
};

}  // namespace sim
