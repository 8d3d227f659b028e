#include "automation/variant.h"

#include "automation/dispatch.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <limits>

namespace automation {
namespace {

[[noreturn]] void raise(std::int32_t number) { throw ComError::automation(number); }

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// An object as a plain value: its default member's value, converted, followed while that is an
// object again, but not without end: an object whose default member returns itself would exhaust
// the stack.
template <typename Convert>
auto defaultValueOf(const Object& object, Convert convert) {
  constexpr int kMaximumDepth = 8;
  static thread_local int depth = 0;
  if (depth >= kMaximumDepth) raise(errors::kTypeMismatch);
  ++depth;
  struct Leave {
    ~Leave() { --depth; }
  } leave;
  return convert(object.get(L""));
}

}  // namespace

Object Variant::toObject() const {
  if (type() == Type::Object) return std::get<Object>(value_);
  if (type() == Type::Empty) return Object();
  raise(errors::kObjectRequired);
}

bool Variant::isNumeric() const {
  switch (type()) {
    case Type::Bool:
    case Type::Int16:
    case Type::Int32:
    case Type::Double:
      return true;
    default:
      return false;
  }
}

double parseNumber(const std::wstring& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  const std::wstring s = text.substr(begin, end - begin);
  if (s.empty()) raise(errors::kTypeMismatch);

  if (s.size() > 2 && s[0] == L'&' && (s[1] == L'H' || s[1] == L'h' || s[1] == L'O' || s[1] == L'o')) {
    const bool hex = (s[1] == L'H' || s[1] == L'h');
    std::uint64_t value = 0;
    for (std::size_t i = 2; i < s.size(); ++i) {
      const wchar_t c = s[i];
      int digit = -1;
      if (c >= L'0' && c <= L'9') digit = c - L'0';
      else if (hex && c >= L'a' && c <= L'f') digit = c - L'a' + 10;
      else if (hex && c >= L'A' && c <= L'F') digit = c - L'A' + 10;
      if (digit < 0 || (!hex && digit > 7)) raise(errors::kTypeMismatch);
      value = value * (hex ? 16u : 8u) + static_cast<unsigned>(digit);
      if (value > 0xFFFFFFFFull) raise(errors::kOverflow);
    }
    // &H literals are 16-bit when they fit, else 32-bit, and negative when the top bit is set.
    if (value <= 0xFFFF) return static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(value)));
    return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
  }

  std::size_t i = 0;
  std::string ascii;
  if (s[i] == L'+' || s[i] == L'-') ascii.push_back(static_cast<char>(s[i++]));
  bool digits = false;
  while (i < s.size() && std::iswdigit(s[i])) ascii.push_back(static_cast<char>(s[i++])), digits = true;
  if (i < s.size() && s[i] == L'.') {
    ascii.push_back('.');
    ++i;
    while (i < s.size() && std::iswdigit(s[i])) ascii.push_back(static_cast<char>(s[i++])), digits = true;
  }
  if (!digits) raise(errors::kTypeMismatch);
  if (i < s.size() && (s[i] == L'e' || s[i] == L'E' || s[i] == L'd' || s[i] == L'D')) {
    ascii.push_back('e');
    ++i;
    if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) ascii.push_back(static_cast<char>(s[i++]));
    bool exponentDigits = false;
    while (i < s.size() && std::iswdigit(s[i])) ascii.push_back(static_cast<char>(s[i++])), exponentDigits = true;
    if (!exponentDigits) raise(errors::kTypeMismatch);
  }
  if (i != s.size()) raise(errors::kTypeMismatch);
  const double value = std::strtod(ascii.c_str(), nullptr);
  if (!std::isfinite(value)) raise(errors::kOverflow);
  return value;
}

std::int64_t roundToInteger(double value, double minimum, double maximum) {
  if (!std::isfinite(value)) raise(errors::kOverflow);
  const double rounded = std::nearbyint(value);  // the default rounding mode is half to even
  if (rounded < minimum || rounded > maximum) raise(errors::kOverflow);
  return static_cast<std::int64_t>(rounded);
}

std::wstring formatDouble(double value) {
  if (value == 0) return L"0";
  if (std::isnan(value)) return L"NaN";
  if (std::isinf(value)) return value > 0 ? L"Infinity" : L"-Infinity";
  char buffer[64];
  const double magnitude = std::fabs(value);
  if (magnitude >= 1e15 || magnitude < 1e-4) {
    std::snprintf(buffer, sizeof buffer, "%.14E", value);
    // Drop the mantissa's trailing zeros and the exponent's leading zeros: 1.50000E-005 -> 1.5E-05.
    std::string text(buffer);
    const std::size_t e = text.find('E');
    std::string mantissa = text.substr(0, e);
    std::string exponent = text.substr(e + 1);
    if (mantissa.find('.') != std::string::npos) {
      while (mantissa.back() == '0') mantissa.pop_back();
      if (mantissa.back() == '.') mantissa.pop_back();
    }
    const char sign = exponent[0];
    std::string digits = exponent.substr(1);
    while (digits.size() > 2 && digits[0] == '0') digits.erase(0, 1);
    text = mantissa + "E" + sign + digits;
    return std::wstring(text.begin(), text.end());
  }
  std::snprintf(buffer, sizeof buffer, "%.15G", value);
  std::string text(buffer);
  if (text.find('E') != std::string::npos) {  // %G chose the exponent form for a mid-range value
    std::snprintf(buffer, sizeof buffer, "%.15f", value);
    text = buffer;
  }
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  return std::wstring(text.begin(), text.end());
}

bool Variant::toBool() const {
  switch (type()) {
    case Type::Empty: return false;
    case Type::Bool: return std::get<bool>(value_);
    case Type::Object: return defaultValueOf(std::get<Object>(value_), [](const Variant& value) { return value.toBool(); });
    case Type::String: {
      const std::wstring& s = std::get<std::wstring>(value_);
      if (s == L"True" || s == L"true" || s == L"TRUE" || s == L"#TRUE#") return true;
      if (s == L"False" || s == L"false" || s == L"FALSE" || s == L"#FALSE#") return false;
      return parseNumber(s) != 0;
    }
    default: return toDouble() != 0;
  }
}

double Variant::toDouble() const {
  switch (type()) {
    case Type::Empty: return 0;
    case Type::Null: raise(errors::kInvalidUseOfNull);
    case Type::Bool: return std::get<bool>(value_) ? -1 : 0;
    case Type::Int16: return std::get<std::int16_t>(value_);
    case Type::Int32: return std::get<std::int32_t>(value_);
    case Type::Double: return std::get<double>(value_);
    case Type::String: return parseNumber(std::get<std::wstring>(value_));
    case Type::Object: return defaultValueOf(std::get<Object>(value_), [](const Variant& value) { return value.toDouble(); });
    case Type::Array: raise(errors::kTypeMismatch);
  }
  raise(errors::kTypeMismatch);
}

std::int16_t Variant::toInt16() const {
  if (type() == Type::Int16) return std::get<std::int16_t>(value_);
  return static_cast<std::int16_t>(roundToInteger(toDouble(), std::numeric_limits<std::int16_t>::min(),
                                                  std::numeric_limits<std::int16_t>::max()));
}

std::int32_t Variant::toInt32() const {
  if (type() == Type::Int32) return std::get<std::int32_t>(value_);
  return static_cast<std::int32_t>(roundToInteger(toDouble(), std::numeric_limits<std::int32_t>::min(),
                                                  std::numeric_limits<std::int32_t>::max()));
}

std::wstring Variant::toString() const {
  switch (type()) {
    case Type::Empty: return {};
    case Type::Null: raise(errors::kInvalidUseOfNull);
    case Type::Bool: return std::get<bool>(value_) ? L"True" : L"False";
    case Type::Int16: return std::to_wstring(std::get<std::int16_t>(value_));
    case Type::Int32: return std::to_wstring(std::get<std::int32_t>(value_));
    case Type::Double: return formatDouble(std::get<double>(value_));
    case Type::String: return std::get<std::wstring>(value_);
    case Type::Object: return defaultValueOf(std::get<Object>(value_), [](const Variant& value) { return value.toString(); });
    case Type::Array: raise(errors::kTypeMismatch);
  }
  raise(errors::kTypeMismatch);
}

const VariantArray& Variant::array() const {
  if (type() != Type::Array) raise(errors::kTypeMismatch);
  return std::get<VariantArray>(value_);
}

}  // namespace automation
