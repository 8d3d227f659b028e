#pragma once
// Late binding: what a backend implements (IDispatch on Windows, plain C++ objects in the simulator),
// the arguments of a call, and event connections that end when their handle goes.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/object.h"
#include "automation/variant.h"

namespace automation {

// The IDispatch invoke kinds; they are flags. `Read` is what the Basic family sends for a value read
// (`x = obj.Member(args)`): a method or a property get, whichever the member is.
enum class InvokeKind { Method = 1, PropertyGet = 2, Read = 3, PropertyPut = 4, PropertyPutRef = 8 };

// One argument slot: by value, by reference to the caller's Variant (which the callee may change),
// named, or omitted.
class Arg {
 public:
  Arg(Variant value) : own_(std::move(value)) {}  // by value
  // A reference typed by the caller's value: a string goes as a reference to a string, a 32-bit
  // integer as a reference to one, and so on; what a typed parameter (BSTR*, long*) accepts.
  static Arg byRef(Variant& target) {
    Arg arg{Variant()};
    arg.ref_ = &target;
    return arg;
  }
  // A reference to a Variant as such (VARIANT*): for a parameter that is a Variant by design, and
  // what a script passes for every variable.
  static Arg byRefVariant(Variant& target) {
    Arg arg = byRef(target);
    arg.variantRef_ = true;
    return arg;
  }
  static Arg named(std::wstring name, Variant value) {
    Arg arg{std::move(value)};
    arg.name_ = std::move(name);
    return arg;
  }
  static Arg missing() {
    Arg arg{Variant()};
    arg.missing_ = true;
    return arg;
  }

  bool isNamed() const { return !name_.empty(); }
  bool isByRef() const { return ref_ != nullptr; }
  bool isVariantRef() const { return variantRef_; }
  bool isMissing() const { return missing_; }
  const std::wstring& name() const { return name_; }
  const Variant& value() const { return ref_ ? *ref_ : own_; }
  // Where a callee writes a by-reference result; for a by-value argument, the callee's own copy.
  Variant& ref() { return ref_ ? *ref_ : own_; }

 private:
  std::wstring name_;
  Variant own_;
  Variant* ref_ = nullptr;
  bool missing_ = false;
  bool variantRef_ = false;
};

// Receives an event's name and its arguments; by-reference ones are writable (Cancel = False).
class EventHandler {
 public:
  using Function = std::function<void(std::wstring_view event, std::vector<Arg>& args)>;
  EventHandler() = default;
  EventHandler(Function function) : function_(std::move(function)) {}
  void operator()(std::wstring_view event, std::vector<Arg>& args) const { function_(event, args); }
  explicit operator bool() const { return static_cast<bool>(function_); }

 private:
  Function function_;
};

// An event subscription; destroying or resetting it ends the subscription.
class Connection {
 public:
  Connection() = default;
  explicit Connection(std::function<void()> disconnect) : disconnect_(std::move(disconnect)) {}
  ~Connection() { reset(); }
  Connection(Connection&& other) noexcept : disconnect_(std::move(other.disconnect_)) { other.disconnect_ = nullptr; }
  Connection& operator=(Connection&& other) noexcept {
    if (this != &other) {
      reset();
      disconnect_ = std::move(other.disconnect_);
      other.disconnect_ = nullptr;
    }
    return *this;
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  void reset() noexcept {
    if (disconnect_) {
      auto disconnect = std::move(disconnect_);
      disconnect_ = nullptr;
      try {
        disconnect();
      } catch (...) {
        // Ending a subscription of an object that is already gone has nothing left to undo.
      }
    }
  }
  explicit operator bool() const { return static_cast<bool>(disconnect_); }

 private:
  std::function<void()> disconnect_;
};

class Dispatchable {
 public:
  virtual ~Dispatchable() = default;
  // Calls a member by name (L"" is the default member). A put or putref passes the new value as
  // the last argument.
  virtual Variant invoke(std::wstring_view member, InvokeKind kind, std::vector<Arg>& args) = 0;
  // Subscribes `handler` to the object's events of `eventsInterface`.
  virtual Connection connect(std::wstring_view eventsInterface, EventHandler handler);
  // What makes two references the same object (the IUnknown on Windows).
  virtual const void* identity() const { return this; }
  // Whether the object offers the typed interface named so ("Word._Application"): what
  // QueryInterface answers on Windows. Objects that do not know say yes.
  virtual bool implements(std::wstring_view interfaceName) const;
  // The same object, with every name lookup and call carrying `locale` (an LCID), and so every
  // object reached through it; null where calls carry no locale (the object itself serves).
  virtual std::shared_ptr<Dispatchable> withLocale(std::uint32_t locale) const;
};

// Failure codes that the backends share with IDispatch.
namespace dispatch_errors {
inline constexpr std::int32_t kMemberNotFound = static_cast<std::int32_t>(0x80020003u);
inline constexpr std::int32_t kParameterNotFound = static_cast<std::int32_t>(0x80020004u);
inline constexpr std::int32_t kTypeMismatch = static_cast<std::int32_t>(0x80020005u);
inline constexpr std::int32_t kBadParameterCount = static_cast<std::int32_t>(0x8002000Eu);
inline constexpr std::int32_t kParameterNotOptional = static_cast<std::int32_t>(0x8002000Fu);
inline constexpr std::int32_t kNoConnection = static_cast<std::int32_t>(0x80040200u);
inline constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005u);
}  // namespace dispatch_errors

// Turns any exception into the ComError that a trap in the add-in works with.
ComError currentError(std::exception_ptr error);

}  // namespace automation
