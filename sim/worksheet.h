#pragma once
// Excel's worksheets and ranges, as far as the application events pass them (Sh, Target) and a
// script reads them: a sheet's name and selection, a range's address.

#include <map>
#include <memory>
#include <string>

#include "sim/cell_address.h"
#include "sim/host_object.h"

namespace sim {

class Document;

class Worksheet : public HostObject {
 public:
  Worksheet(std::weak_ptr<Document> workbook, std::wstring name, int version);

  const std::wstring& name() const { return name_; }
  std::shared_ptr<Document> workbook() const { return workbook_.lock(); }
  // The selected range, as its absolute address ("$A$1" in a new sheet).
  std::wstring selection() const { return formatCellRange(selection_); }
  const CellRange& selectedRange() const { return selection_; }
  void select(const CellRange& range) { selection_ = range; }
  // Raises Excel's 1004 for a reference that is not one.
  CellRange parse(const std::wstring& reference) const;
  Object range(const CellRange& range);
  Variant cellValue(const CellRange& cell) const;
  void setCellValue(const CellRange& cell, Variant value);
  void close();

 private:
  std::weak_ptr<Document> workbook_;
  std::wstring name_;
  int version_;
  CellRange selection_;
  std::map<std::pair<std::int32_t, std::int32_t>, Variant> cells_;
};

class Range : public HostObject {
 public:
  Range(std::shared_ptr<Worksheet> sheet, CellRange range);
  // A range of a sheet that has gone with its workbook is gone as well.
  Variant invoke(std::wstring_view member, automation::InvokeKind kind, std::vector<Arg>& args) override;

  const CellRange& cells() const { return range_; }
  std::wstring address() const { return formatCellRange(range_); }
  const std::shared_ptr<Worksheet>& worksheet() const { return sheet_; }

 private:
  std::shared_ptr<Worksheet> sheet_;
  CellRange range_;
};

}  // namespace sim
