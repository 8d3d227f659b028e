#pragma once
// A reference to an automation object, or Nothing. Copying shares the object. Members are reached
// by name, as a script reaches them; using Nothing raises ComError 91.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace automation {

class Variant;
class Arg;
class Connection;
class Dispatchable;
class EventHandler;

class Object {
 public:
  Object() = default;
  explicit Object(std::shared_ptr<Dispatchable> target) : target_(std::move(target)) {}

  explicit operator bool() const { return target_ != nullptr; }
  // The same object, also when two references reach it by different ways.
  bool operator==(const Object& other) const;
  bool operator!=(const Object& other) const { return !(*this == other); }

  // A read (InvokeKind::Read: a property get or a method); the member L"" is the default member.
  Variant get(std::wstring_view member) const;
  Variant get(std::wstring_view member, std::vector<Arg> args) const;
  void put(std::wstring_view member, const Variant& value) const;
  void putref(std::wstring_view member, const Object& value) const;
  Variant call(std::wstring_view member) const;
  Variant call(std::wstring_view member, std::vector<Arg> args) const;

  // Whether the object offers the typed interface named so; Nothing offers none.
  bool implements(std::wstring_view interfaceName) const;
  // The same object, calling with the locale `locale` (an LCID) where calls carry one; objects
  // reached through it keep that locale. Nothing stays Nothing.
  Object withLocale(std::uint32_t locale) const;

  // Subscribes to the object's events of `eventsInterface` until the returned connection ends.
  Connection connect(std::wstring_view eventsInterface, EventHandler handler) const;

  const std::shared_ptr<Dispatchable>& target() const { return target_; }
  // The object as its own backend type, or null when it is of another kind.
  template <typename T>
  T* as() const {
    return dynamic_cast<T*>(target_.get());
  }

 private:
  Dispatchable& require() const;
  std::shared_ptr<Dispatchable> target_;
};

}  // namespace automation
