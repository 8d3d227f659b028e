#include "sim/sim_object.h"

#include <algorithm>
#include <stdexcept>

#include "platform/text.h"
#include "sim/signature_check.h"

namespace sim {

namespace dispatch_errors = automation::dispatch_errors;

Params::Params(std::vector<Arg>& args, const std::vector<std::wstring>& names) : names_(names) {
  std::size_t positional = 0;
  for (auto& arg : args) {
    if (!arg.isNamed()) ++positional;
  }
  if (positional > names.size()) {
    throw ComError(dispatch_errors::kBadParameterCount, L"Invalid number of parameters.");
  }
  slots_.assign(names.size(), nullptr);
  std::size_t index = 0;
  for (auto& arg : args) {
    if (arg.isNamed()) {
      std::size_t found = names.size();
      for (std::size_t i = 0; i < names.size(); ++i) {
        if (platform::equalsIgnoreCase(names[i], arg.name())) found = i;
      }
      if (found == names.size()) throw ComError(dispatch_errors::kParameterNotFound, L"Parameter not found.");
      slots_[found] = &arg;
    } else {
      slots_[index++] = &arg;
    }
  }
}

bool Params::has(std::size_t index) const {
  return index < slots_.size() && slots_[index] && !slots_[index]->isMissing();
}

bool Params::given(std::size_t index) const { return has(index) && !slots_[index]->value().isEmpty(); }

const Variant& Params::at(std::size_t index) const {
  if (!has(index)) {
    const std::wstring name = index < names_.size() ? names_[index] : L"?";
    throw ComError(dispatch_errors::kParameterNotOptional, L"Parameter not optional: " + name);
  }
  return slots_[index]->value();
}

Variant Params::get(std::size_t index, Variant fallback) const { return has(index) ? at(index) : fallback; }

Variant& Params::ref(std::size_t index) {
  at(index);
  return slots_[index]->ref();
}

void memberNotFound(std::wstring_view member) {
  throw ComError(dispatch_errors::kMemberNotFound, L"Member not found: " + std::wstring(member));
}

void SimObject::property(const std::wstring& name, std::vector<std::wstring> params, Getter getter, Setter setter) {
  members_[platform::foldCase(name)] = Member{name, std::move(params), std::move(getter), std::move(setter), {}};
}

void SimObject::method(const std::wstring& name, std::vector<std::wstring> params, Method body) {
  members_[platform::foldCase(name)] = Member{name, std::move(params), {}, {}, std::move(body)};
}

SimObject::Member& SimObject::find(std::wstring_view member) {
  const std::wstring name = member.empty() ? default_ : std::wstring(member);
  auto it = members_.find(platform::foldCase(name));
  if (it == members_.end()) memberNotFound(member.empty() ? L"(default)" : member);
  return it->second;
}

void SimObject::signature(const wchar_t* interfaceName, int version) {
  signature_ = signatures::find(interfaceName);
  if (!signature_) throw std::logic_error("no signature for the interface");
  signatureVersion_ = version;
}

Variant SimObject::invoke(std::wstring_view memberName, automation::InvokeKind kind, std::vector<Arg>& args) {
  if (!signature_) return invokeMember(memberName, kind, args);
  auto call = checkCall(*signature_, signatureVersion(), memberName, kind, args);
  if (!call) return invokeMember(memberName, kind, args);  // resolved by the object at run time
  if (call->forwardToDefault) {
    std::vector<Arg> none;
    const Object object = invokeMember(call->name, automation::InvokeKind::PropertyGet, none).toObject();
    if (!object) throw ComError(static_cast<std::int32_t>(0x80020011u), L"Does not support a collection.");
    return object.target()->invoke(L"", kind, call->args);
  }
  return declaredResult(*call->member, invokeMember(call->name, call->kind, call->args));
}

Variant SimObject::invokeMember(std::wstring_view memberName, automation::InvokeKind kind, std::vector<Arg>& args) {
  Member& member = find(memberName);
  using automation::InvokeKind;
  if (kind == InvokeKind::PropertyPut || kind == InvokeKind::PropertyPutRef) {
    if (!member.setter || args.empty()) memberNotFound(memberName);
    const Variant value = args.back().value();
    std::vector<Arg> indexes(args.begin(), args.end() - 1);
    Params params(indexes, member.params);
    member.setter(params, value);
    return {};
  }
  if (member.method) {
    Params params(args, member.params);
    return member.method(params);
  }
  if (member.getter) {
    // A property whose value is an object passes further arguments to that object's default
    // member, as Automation does (CommandBars("Lockfolio"), Dialogs(80)).
    if (member.params.empty() && !args.empty()) {
      std::vector<Arg> none;
      Params noParams(none, member.params);
      const Variant value = member.getter(noParams);
      if (value.isObject()) return value.toObject().get(L"", args);
    }
    Params params(args, member.params);
    return member.getter(params);
  }
  memberNotFound(memberName);
}

automation::Connection SimObject::connect(std::wstring_view eventsInterface, automation::EventHandler handler) {
  if (eventsInterface_.empty() || !platform::equalsIgnoreCase(eventsInterface_, eventsInterface)) {
    return Dispatchable::connect(eventsInterface, std::move(handler));
  }
  const int id = nextHandlerId_++;
  handlers_->push_back(Handler{id, std::move(handler)});
  std::weak_ptr<std::list<Handler>> weak = handlers_;
  return automation::Connection([weak, id] {
    if (auto handlers = weak.lock()) handlers->remove_if([id](const Handler& h) { return h.id == id; });
  });
}

void SimObject::raise(std::wstring_view event, std::vector<Arg>& args) {
  // A handler may end its own or another subscription while it runs: work on a copy.
  const std::list<Handler> handlers = *handlers_;
  for (const auto& handler : handlers) {
    const bool stillConnected = std::any_of(handlers_->begin(), handlers_->end(),
                                            [&](const Handler& h) { return h.id == handler.id; });
    if (stillConnected) handler.function(event, args);
  }
}

void SimObject::raiseEach(std::wstring_view event, std::vector<Arg>& args,
                          const std::function<void(const ComError&)>& failed) {
  const std::list<Handler> handlers = *handlers_;
  for (const auto& handler : handlers) {
    const bool stillConnected = std::any_of(handlers_->begin(), handlers_->end(),
                                            [&](const Handler& h) { return h.id == handler.id; });
    if (!stillConnected) continue;
    try {
      handler.function(event, args);
    } catch (...) {
      failed(automation::currentError(std::current_exception()));
    }
  }
}

}  // namespace sim
