#pragma once
// The base of every simulated automation object: members looked up by name without regard to
// case (as IDispatch does), parameters matched by position or by name, and events raised by name
// to whoever is connected.

#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/dispatch.h"
#include "sim/signatures/signatures.h"

namespace sim {

using automation::Arg;
using automation::ComError;
using automation::Object;
using automation::Variant;

// A call's arguments, matched against the member's parameter names.
class Params {
 public:
  Params(std::vector<Arg>& args, const std::vector<std::wstring>& names);

  bool has(std::size_t index) const;  // given and not omitted
  bool given(std::size_t index) const;  // given, not omitted and not Empty: an optional argument in use
  const Variant& at(std::size_t index) const;  // raises "parameter not optional" when absent
  Variant get(std::size_t index, Variant fallback) const;
  Variant& ref(std::size_t index);  // a by-reference argument the member writes back
  std::size_t count() const { return slots_.size(); }

 private:
  std::vector<Arg*> slots_;
  const std::vector<std::wstring>& names_;
};

class SimObject : public automation::Dispatchable, public std::enable_shared_from_this<SimObject> {
 public:
  Variant invoke(std::wstring_view member, automation::InvokeKind kind, std::vector<Arg>& args) override;
  automation::Connection connect(std::wstring_view eventsInterface, automation::EventHandler handler) override;

  Object self() { return Object(shared_from_this()); }
  bool hasConnections() const { return !handlers_->empty(); }

  // The interface of the real type library that the object serves, and the major version of
  // Office it belongs to (which members exist); null for an object served without a signature.
  const signatures::Interface* signature() const { return signature_; }
  virtual int signatureVersion() const { return signatureVersion_; }

 protected:
  using Getter = std::function<Variant(Params&)>;
  using Setter = std::function<void(Params&, const Variant&)>;
  using Method = std::function<Variant(Params&)>;

  // A readable property with optional index parameters; a setter makes it writable.
  void property(const std::wstring& name, std::vector<std::wstring> params, Getter getter, Setter setter = {});
  void property(const std::wstring& name, Getter getter, Setter setter = {}) {
    property(name, {}, std::move(getter), std::move(setter));
  }
  void method(const std::wstring& name, std::vector<std::wstring> params, Method body);
  // Every call is checked against this interface of the signature table (sim/signatures), as
  // Office's type libraries check calls; `version` is the major version of Office.
  void signature(const wchar_t* interfaceName, int version = 0);
  // The member that L"" (the default member) stands for.
  void defaultMember(const std::wstring& name) { default_ = name; }
  // The events interface whose name `connect` accepts.
  void eventsInterface(const std::wstring& name) { eventsInterface_ = name; }

  // Raises an event to every connected handler, in the order they connected. A handler's failure
  // reaches the caller, as a failed event call reaches a host.
  void raise(std::wstring_view event, std::vector<Arg>& args);
  // Raises an event to each connected handler in turn; a handler that fails is reported to
  // `failed` and the next handler still runs, as a host goes on to its next event sink.
  void raiseEach(std::wstring_view event, std::vector<Arg>& args, const std::function<void(const ComError&)>& failed);
  // Ends every subscription at once, as when the object's host goes away.
  void disconnectAll() { handlers_->clear(); }

 private:
  struct Member {
    std::wstring name;
    std::vector<std::wstring> params;
    Getter getter;
    Setter setter;
    Method method;
  };
  Member& find(std::wstring_view member);
  Variant invokeMember(std::wstring_view member, automation::InvokeKind kind, std::vector<Arg>& args);

  std::map<std::wstring, Member> members_;  // by folded name
  std::wstring default_;
  std::wstring eventsInterface_;
  const signatures::Interface* signature_ = nullptr;
  int signatureVersion_ = 0;
  struct Handler {
    int id;
    automation::EventHandler function;
  };
  std::shared_ptr<std::list<Handler>> handlers_ = std::make_shared<std::list<Handler>>();
  int nextHandlerId_ = 0;
};

// Raises ComError with the host's "member not found" failure, for objects that lack a member.
[[noreturn]] void memberNotFound(std::wstring_view member);

}  // namespace sim
