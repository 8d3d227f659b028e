#include "office/office.h"

namespace office {

Object asTyped(const Object& object, const wchar_t* interfaceName) {
  if (object && !object.implements(interfaceName)) throw automation::ComError::automation(automation::errors::kTypeMismatch);
  return object;
}

Object inHostLocale(const Object& application) {
  if (!application.implements(kExcelApplication) || application.implements(kWordApplication)) return application;
  return application.withLocale(kExcelCallLocale);
}

}  // namespace office
