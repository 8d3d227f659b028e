#include "sim/worksheet.h"

#include "sim/documents.h"
#include "sim/host_errors.h"

namespace sim {

Worksheet::Worksheet(std::weak_ptr<Document> owner, std::wstring sheetName, int version)
    : workbook_(std::move(owner)), name_(std::move(sheetName)), version_(version) {
  property(
      L"Name", [this](Params&) { return Variant(name_); },
      [this](Params&, const Variant& value) {
        const std::wstring name = value.toString();
        if (name.empty() || name.size() > 31) {
          throw ComError(host_errors::kExcelFailure, L"You typed an invalid name for a sheet or chart.");
        }
        name_ = name;
      });
  property(L"Parent", [this](Params&) {
    auto workbook = workbook_.lock();
    return Variant(workbook ? workbook->self() : Object());
  });
  property(L"Range", {L"Cell1", L"Cell2"}, [this](Params& p) {
    CellRange cells = parse(p.at(0).toString());
    if (p.has(1)) {
      const CellRange other = parse(p.at(1).toString());
      cells = CellRange{std::min(cells.firstRow, other.firstRow), std::min(cells.firstColumn, other.firstColumn),
                        std::max(cells.lastRow, other.lastRow), std::max(cells.lastColumn, other.lastColumn)};
    }
    return Variant(range(cells));
  });
}

CellRange Worksheet::parse(const std::wstring& reference) const {
  auto cells = parseCellRange(reference, version_);
  if (!cells) throw ComError(host_errors::kExcelFailure, L"Method 'Range' of object '_Worksheet' failed");
  return *cells;
}

Object Worksheet::range(const CellRange& cells) {
  return Object(std::make_shared<Range>(std::static_pointer_cast<Worksheet>(shared_from_this()), cells));
}

Variant Worksheet::cellValue(const CellRange& cell) const {
  auto it = cells_.find({cell.firstRow, cell.firstColumn});
  return it == cells_.end() ? Variant() : it->second;
}

void Worksheet::setCellValue(const CellRange& cell, Variant value) {
  for (std::int32_t row = cell.firstRow; row <= cell.lastRow; ++row) {
    for (std::int32_t column = cell.firstColumn; column <= cell.lastColumn; ++column) {
      if (value.isEmpty()) {
        cells_.erase({row, column});
      } else {
        cells_[{row, column}] = value;
      }
    }
  }
}

void Worksheet::close() { retire(host_errors::commandBarObjectGone()); }

Range::Range(std::shared_ptr<Worksheet> sheet, CellRange range) : sheet_(std::move(sheet)), range_(range) {
  property(L"Address", {L"RowAbsolute", L"ColumnAbsolute", L"ReferenceStyle", L"External", L"RelativeTo"},
           [this](Params& p) {
             const bool rowAbsolute = !p.has(0) || p.at(0).toBool();
             const bool columnAbsolute = !p.has(1) || p.at(1).toBool();
             return Variant(formatCellRange(range_, rowAbsolute, columnAbsolute));
           });
  property(L"Row", [this](Params&) { return Variant(range_.firstRow); });
  property(L"Column", [this](Params&) { return Variant(range_.firstColumn); });
  property(L"Count", [this](Params&) {
    return Variant((range_.lastRow - range_.firstRow + 1) * (range_.lastColumn - range_.firstColumn + 1));
  });
  property(L"Worksheet", [this](Params&) { return Variant(sheet_->self()); });
  property(L"Parent", [this](Params&) { return Variant(sheet_->self()); });
  property(
      L"Value", [this](Params&) { return sheet_->cellValue(range_); },
      [this](Params&, const Variant& value) { sheet_->setCellValue(range_, value); });
  defaultMember(L"Value");
}

Variant Range::invoke(std::wstring_view member, automation::InvokeKind kind, std::vector<Arg>& args) {
  if (sheet_->isGone()) throw host_errors::commandBarObjectGone();
  return HostObject::invoke(member, kind, args);
}

}  // namespace sim
