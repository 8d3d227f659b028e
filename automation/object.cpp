#include "automation/object.h"

#include "automation/dispatch.h"

#include "platform/text.h"

namespace automation {

bool Object::operator==(const Object& other) const {
  if (!target_ || !other.target_) return target_ == other.target_;
  return target_->identity() == other.target_->identity();
}

Dispatchable& Object::require() const {
  if (!target_) throw ComError::automation(errors::kObjectNotSet);
  return *target_;
}

Variant Object::get(std::wstring_view member) const { return get(member, {}); }

Variant Object::get(std::wstring_view member, std::vector<Arg> args) const {
  // As the Basic family reads `x = obj.Member(args)`: the member may be a method or a property,
  // and a dispatcher that matches invoke kinds finds either.
  return require().invoke(member, InvokeKind::Read, args);
}

void Object::put(std::wstring_view member, const Variant& value) const {
  std::vector<Arg> args{Arg(value)};
  require().invoke(member, InvokeKind::PropertyPut, args);
}

void Object::putref(std::wstring_view member, const Object& value) const {
  std::vector<Arg> args{Arg(Variant(value))};
  require().invoke(member, InvokeKind::PropertyPutRef, args);
}

Variant Object::call(std::wstring_view member) const { return call(member, {}); }

Variant Object::call(std::wstring_view member, std::vector<Arg> args) const {
  return require().invoke(member, InvokeKind::Method, args);
}

Connection Object::connect(std::wstring_view eventsInterface, EventHandler handler) const {
  return require().connect(eventsInterface, std::move(handler));
}

bool Object::implements(std::wstring_view interfaceName) const {
  return target_ && target_->implements(interfaceName);
}

Object Object::withLocale(std::uint32_t locale) const {
  if (!target_) return *this;
  std::shared_ptr<Dispatchable> localized = target_->withLocale(locale);
  return localized ? Object(std::move(localized)) : *this;
}

bool Dispatchable::implements(std::wstring_view) const { return true; }

std::shared_ptr<Dispatchable> Dispatchable::withLocale(std::uint32_t) const { return nullptr; }

Connection Dispatchable::connect(std::wstring_view eventsInterface, EventHandler) {
  throw ComError(dispatch_errors::kNoConnection,
                 L"The object raises no events of " + std::wstring(eventsInterface));
}

ComError currentError(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const ComError& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return ComError(7, L"Out of memory");
  } catch (const std::exception& e) {
    return ComError(dispatch_errors::kFail, L"Internal error: " + platform::fromUtf8(e.what()));
  } catch (...) {
    return ComError(dispatch_errors::kFail, L"Internal error");
  }
}

}  // namespace automation
