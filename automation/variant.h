#pragma once
// A late-bound value with the Automation coercion rules (an object converts through its default
// member): toInt16() of 40000 raises ComError 6
// (overflow), toDouble() of "abc" raises ComError 13 (type mismatch), toString() of 5 gives "5".

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "automation/com_error.h"
#include "automation/object.h"

namespace automation {

class Variant;
using VariantArray = std::vector<Variant>;

class Variant {
 public:
  enum class Type { Empty, Null, Bool, Int16, Int32, Double, String, Object, Array };

  Variant() = default;
  Variant(bool value) : value_(value) {}
  Variant(std::int16_t value) : value_(value) {}
  Variant(std::int32_t value) : value_(value) {}
  Variant(double value) : value_(value) {}
  Variant(std::wstring value) : value_(std::move(value)) {}
  Variant(const wchar_t* value) : value_(std::wstring(value)) {}
  Variant(VariantArray value) : value_(std::move(value)) {}
  Variant(Object value) : value_(std::move(value)) {}
  static Variant null() {
    Variant v;
    v.value_ = NullValue{};
    return v;
  }

  Type type() const { return static_cast<Type>(value_.index()); }
  bool isEmpty() const { return type() == Type::Empty; }
  bool isNull() const { return type() == Type::Null; }
  bool isString() const { return type() == Type::String; }
  bool isArray() const { return type() == Type::Array; }
  bool isObject() const { return type() == Type::Object; }
  // Bool, Int16, Int32 and Double: what the Automation rules treat as numbers.
  bool isNumeric() const;

  bool toBool() const;
  std::int16_t toInt16() const;
  std::int32_t toInt32() const;
  double toDouble() const;
  std::wstring toString() const;
  const VariantArray& array() const;
  // The object held; Empty gives Nothing, anything else raises ComError 424 (object required).
  Object toObject() const;

  // Same type and same value (arrays element by element).
  bool operator==(const Variant& other) const { return value_ == other.value_; }
  bool operator!=(const Variant& other) const { return !(*this == other); }

 private:
  struct NullValue {
    bool operator==(const NullValue&) const { return true; }
  };
  std::variant<std::monostate, NullValue, bool, std::int16_t, std::int32_t, double, std::wstring, Object, VariantArray>
      value_;
};

// Parses a number the way Automation converts text: blanks around it, a sign, decimal digits with
// a fraction and an exponent, or &H / &O for hexadecimal and octal. Raises ComError 13 otherwise.
double parseNumber(const std::wstring& text);

// Rounds half to even, as Automation does when it converts to an integer, and raises ComError 6
// when the result does not fit [minimum, maximum].
std::int64_t roundToInteger(double value, double minimum, double maximum);

// The text Automation gives a double: up to 15 significant digits, no trailing zeros, and the
// scientific form 1E+20 for very large or very small numbers.
std::wstring formatDouble(double value);

}  // namespace automation
