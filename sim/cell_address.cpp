#include "sim/cell_address.h"

namespace sim {
namespace {

struct Limits {
  std::int32_t rows;
  std::int32_t columns;
};

Limits limitsOf(int version) { return version >= 12 ? Limits{1048576, 16384} : Limits{65536, 256}; }

bool parseCell(const std::wstring& text, std::size_t& at, const Limits& limits, std::int32_t& row,
               std::int32_t& column) {
  if (at < text.size() && text[at] == L'$') ++at;
  std::int64_t col = 0;
  std::size_t letters = 0;
  while (at < text.size() && letters < 4) {
    wchar_t c = text[at];
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    if (c < L'A' || c > L'Z') break;
    col = col * 26 + (c - L'A' + 1);
    ++letters;
    ++at;
  }
  if (letters == 0 || col > limits.columns) return false;
  if (at < text.size() && text[at] == L'$') ++at;
  std::int64_t r = 0;
  std::size_t digits = 0;
  while (at < text.size() && text[at] >= L'0' && text[at] <= L'9' && digits < 8) {
    r = r * 10 + (text[at] - L'0');
    ++digits;
    ++at;
  }
  if (digits == 0 || r < 1 || r > limits.rows) return false;
  row = static_cast<std::int32_t>(r);
  column = static_cast<std::int32_t>(col);
  return true;
}

}  // namespace

std::wstring columnLetters(std::int32_t column) {
  std::wstring letters;
  while (column > 0) {
    const std::int32_t digit = (column - 1) % 26;
    letters.insert(letters.begin(), static_cast<wchar_t>(L'A' + digit));
    column = (column - 1) / 26;
  }
  return letters;
}

std::optional<CellRange> parseCellRange(const std::wstring& text, int version) {
  const Limits limits = limitsOf(version);
  CellRange range;
  std::size_t at = 0;
  if (!parseCell(text, at, limits, range.firstRow, range.firstColumn)) return std::nullopt;
  range.lastRow = range.firstRow;
  range.lastColumn = range.firstColumn;
  if (at < text.size() && text[at] == L':') {
    ++at;
    if (!parseCell(text, at, limits, range.lastRow, range.lastColumn)) return std::nullopt;
  }
  if (at != text.size()) return std::nullopt;
  // Excel keeps a range's corners top-left and bottom-right whichever way they were given.
  if (range.lastRow < range.firstRow) std::swap(range.lastRow, range.firstRow);
  if (range.lastColumn < range.firstColumn) std::swap(range.lastColumn, range.firstColumn);
  return range;
}

std::wstring formatCellRange(const CellRange& range, bool rowAbsolute, bool columnAbsolute) {
  auto cell = [&](std::int32_t row, std::int32_t column) {
    return (columnAbsolute ? L"$" : L"") + columnLetters(column) + (rowAbsolute ? L"$" : L"") + std::to_wstring(row);
  };
  std::wstring text = cell(range.firstRow, range.firstColumn);
  if (!range.isSingleCell()) text += L":" + cell(range.lastRow, range.lastColumn);
  return text;
}

}  // namespace sim
