#include "office/office.h"

namespace office {

Object asTyped(const Object& object, const wchar_t* interfaceName) {
  if (object && !object.implements(interfaceName)) throw automation::ComError::automation(automation::errors::kTypeMismatch);
  return object;
}

}  // namespace office
