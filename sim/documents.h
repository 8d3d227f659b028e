#pragma once
// A host's document (Word's Document, Excel's Workbook, PowerPoint's Presentation) and the
// collection of the open ones. Its content is a text, kept in a file on disk once saved.

#include <memory>
#include <string>
#include <vector>

#include "sim/host_kind.h"
#include "sim/host_object.h"
#include "sim/worksheet.h"

namespace sim {

class Application;

class Document : public HostObject {
 public:
  // A document that has never been saved, named as the host names new documents.
  static std::shared_ptr<Document> create(HostKind kind, std::weak_ptr<Application> application, std::wstring name,
                                          int version);

  HostKind kind() const { return kind_; }
  const std::wstring& name() const { return name_; }
  // Empty until the document is saved; the folder of its file afterwards.
  const std::wstring& path() const { return path_; }
  // The name alone until saved, else the file's full path.
  std::wstring fullName() const;
  bool everSaved() const { return !path_.empty(); }
  // Whether the content on disk is the content in memory.
  bool saved() const { return saved_; }
  const std::wstring& text() const { return text_; }
  // A change the user types: the document has unsaved changes afterwards.
  void setText(std::wstring text);
  bool isClosed() const { return isGone(); }

  // Excel: the workbook's sheets (Sheet1 .. Sheet3) and the active one.
  const std::vector<std::shared_ptr<Worksheet>>& sheets() const { return sheets_; }
  std::shared_ptr<Worksheet> activeSheet() const { return sheets_.empty() ? nullptr : sheets_[activeSheet_]; }

  // For the host.
  void savedAs(const std::wstring& fullPath);
  void loaded(const std::wstring& fullPath, std::wstring text);
  void close(ComError reason);

  // Use create().
  Document(HostKind kind, std::weak_ptr<Application> application, std::wstring name);

 private:
  void registerMembers();
  std::shared_ptr<Application> application() const;

  HostKind kind_;
  std::weak_ptr<Application> application_;
  std::wstring name_;
  std::wstring path_;
  std::wstring text_;
  bool saved_ = true;
  std::vector<std::shared_ptr<Worksheet>> sheets_;
  std::size_t activeSheet_ = 0;
};

// Documents, Workbooks or Presentations: the open documents of one run.
class DocumentCollection : public HostObject {
 public:
  explicit DocumentCollection(std::weak_ptr<Application> application);
  void end();

 private:
  std::weak_ptr<Application> application_;
};

}  // namespace sim
