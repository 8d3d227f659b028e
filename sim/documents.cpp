#include "sim/documents.h"

#include "platform/text.h"
#include "sim/application.h"
#include "sim/host_errors.h"
#include "sim/windows_path.h"

namespace sim {

std::shared_ptr<Document> Document::create(HostKind kind, std::weak_ptr<Application> application, std::wstring name,
                                           int version) {
  auto document = std::make_shared<Document>(kind, std::move(application), std::move(name));
  if (kind == HostKind::Excel) {
    for (int i = 1; i <= 3; ++i) {
      document->sheets_.push_back(std::make_shared<Worksheet>(document, L"Sheet" + std::to_wstring(i), version));
    }
  }
  return document;
}

Document::Document(HostKind kind, std::weak_ptr<Application> host, std::wstring name)
    : kind_(kind), application_(std::move(host)), name_(std::move(name)) {
  registerMembers();
}

std::wstring Document::fullName() const { return path_.empty() ? name_ : windows_path::join(path_, name_); }

void Document::setText(std::wstring text) {
  text_ = std::move(text);
  saved_ = false;
}

void Document::savedAs(const std::wstring& fullPath) {
  name_ = windows_path::fileNameOf(fullPath);
  path_ = windows_path::folderOf(fullPath);
  saved_ = true;
}

void Document::loaded(const std::wstring& fullPath, std::wstring text) {
  savedAs(fullPath);
  text_ = std::move(text);
}

void Document::close(ComError reason) {
  for (const auto& sheet : sheets_) sheet->close();
  retire(std::move(reason));
}

std::shared_ptr<Application> Document::application() const {
  auto application = application_.lock();
  if (!application) throw host_errors::hostEnded();
  application->requireRunning();
  return application;
}

void Document::registerMembers() {
  auto self = [this] { return std::static_pointer_cast<Document>(shared_from_this()); };
  signature(kind_ == HostKind::Word    ? L"Word._Document"
            : kind_ == HostKind::Excel ? L"Excel._Workbook"
                                       : L"PowerPoint._Presentation");
  property(L"Name", [this](Params&) { return Variant(name_); });
  property(L"Path", [this](Params&) { return Variant(path_); });
  property(L"FullName", [this](Params&) { return Variant(fullName()); });
  property(
      L"Saved", [this](Params&) { return Variant(saved_); },
      [this](Params&, const Variant& value) { saved_ = value.toBool(); });
  method(L"Save", {}, [this, self](Params&) {
    application()->saveByProgram(self());
    return Variant();
  });
  method(L"SaveAs", {L"FileName"}, [this, self](Params& p) {
    auto application = this->application();
    const std::wstring path = p.has(0) ? p.at(0).toString() : application->proposedFileName(*this);
    application->saveDocumentAs(self(), application->resolve(path));
    return Variant();
  });
  method(L"Close", {L"SaveChanges"}, [this, self](Params&) {
    application()->closeDocument(self());
    return Variant();
  });
  property(L"Application", [this](Params&) { return Variant(application()->self()); });
  property(L"Parent", [this](Params&) { return Variant(application()->self()); });
  if (kind_ != HostKind::Excel) return;

  auto sheetItem = [this](Params& p) {
    const Variant& index = p.at(0);
    if (index.isString()) {
      for (const auto& sheet : sheets_) {
        if (platform::equalsIgnoreCase(sheet->name(), index.toString())) return Variant(sheet->self());
      }
    } else {
      const std::int32_t i = index.toInt32();
      if (i >= 1 && static_cast<std::size_t>(i) <= sheets_.size()) {
        return Variant(sheets_[static_cast<std::size_t>(i - 1)]->self());
      }
    }
    throw ComError(static_cast<std::int32_t>(0x8002000Bu), L"Invalid index.");
  };
  property(L"Worksheets", {L"Index"}, sheetItem);
  property(L"Sheets", {L"Index"}, sheetItem);
  property(L"ActiveSheet", [this](Params&) {
    auto sheet = activeSheet();
    return Variant(sheet ? sheet->self() : Object());
  });
}

DocumentCollection::DocumentCollection(std::weak_ptr<Application> host) : application_(std::move(host)) {
  auto live = [this] {
    auto application = application_.lock();
    if (!application) throw host_errors::hostEnded();
    application->requireRunning();
    return application;
  };
  property(L"Count", [live](Params&) { return Variant(static_cast<std::int32_t>(live()->documents().size())); });
  property(L"Item", {L"Index"}, [live](Params& p) {
    auto application = live();
    const auto& documents = application->documents();
    const Variant& index = p.at(0);
    if (index.isString()) {
      for (const auto& document : documents) {
        if (platform::equalsIgnoreCase(document->name(), index.toString()) ||
            platform::equalsIgnoreCase(document->fullName(), index.toString())) {
          return Variant(document->self());
        }
      }
    } else {
      const std::int32_t i = index.toInt32();
      if (i >= 1 && static_cast<std::size_t>(i) <= documents.size()) {
        return Variant(documents[static_cast<std::size_t>(i - 1)]->self());
      }
    }
    if (application->kind() == HostKind::Word) {
      throw ComError(host_errors::kWordNoSuchMember, L"The requested member of the collection does not exist.");
    }
    throw ComError(static_cast<std::int32_t>(0x8002000Bu), L"Invalid index.");
  });
  defaultMember(L"Item");
  method(L"Add", {}, [live](Params&) { return Variant(live()->newDocument()->self()); });
  method(L"Open", {L"FileName"}, [live](Params& p) {
    auto application = live();
    return Variant(application->openDocument(application->resolve(p.at(0).toString()))->self());
  });
}

void DocumentCollection::end() { retire(host_errors::hostEnded()); }

}  // namespace sim
