#pragma once
// Lets GoogleTest show a Variant as its type and value in failure messages.

#include <ostream>

#include "automation/variant.h"
#include "platform/text.h"

namespace automation {

inline void PrintTo(const Variant& value, std::ostream* out) {
  static const char* const kTypes[] = {"Empty", "Null", "Bool", "Int16", "Int32", "Double", "String", "Object", "Array"};
  *out << kTypes[static_cast<int>(value.type())];
  if (value.isArray()) {
    *out << "{";
    for (const auto& element : value.array()) {
      PrintTo(element, out);
      *out << ",";
    }
    *out << "}";
  } else if (value.isObject()) {
    *out << (value.toObject() ? "(object)" : "(Nothing)");
  } else if (!value.isNull()) {
    std::wstring text = value.toString();
    for (auto& c : text) {
      if (c == L'\0') c = L'|';
    }
    *out << "(" << platform::toUtf8(text) << ")";
  }
}

}  // namespace automation
