#pragma once
// Excel's A1 references: "B2", "$B$2", "a1:c3". The row and column limits depend on the version
// (65536 rows and 256 columns up to Excel 2003).

#include <cstdint>
#include <optional>
#include <string>

namespace sim {

struct CellRange {
  std::int32_t firstRow = 1;
  std::int32_t firstColumn = 1;
  std::int32_t lastRow = 1;
  std::int32_t lastColumn = 1;
  bool isSingleCell() const { return firstRow == lastRow && firstColumn == lastColumn; }
  bool operator==(const CellRange& other) const {
    return firstRow == other.firstRow && firstColumn == other.firstColumn && lastRow == other.lastRow &&
           lastColumn == other.lastColumn;
  }
};

// Nothing when the text is not a reference within the version's limits.
std::optional<CellRange> parseCellRange(const std::wstring& text, int version);
// "$B$2", or "$A$1:$C$3"; without the "$" where a part is relative.
std::wstring formatCellRange(const CellRange& range, bool rowAbsolute = true, bool columnAbsolute = true);
std::wstring columnLetters(std::int32_t column);

}  // namespace sim
