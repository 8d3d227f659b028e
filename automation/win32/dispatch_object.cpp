#include "automation/win32/dispatch_object.h"

#include <memory>

#include "automation/win32/com_errors.h"
#include "automation/win32/com_holders.h"
#include "automation/win32/event_sink.h"
#include "automation/win32/interface_names.h"
#include "automation/win32/variant_conversion.h"
#include "platform/text.h"

namespace automation::win32 {
namespace {

// Separates the names in a cache key; no member name contains it.
constexpr wchar_t kKeySeparator = L'\x1F';

// What a failed name lookup names: the member, or the named arguments that were not found.
std::wstring unknownNames(std::wstring_view member, const std::vector<std::wstring>& names,
                          const std::vector<DISPID>& dispids) {
  std::wstring text(member);
  if (dispids.empty() || dispids[0] == DISPID_UNKNOWN || names.empty()) return text;
  text += L": named argument";
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (dispids[i + 1] == DISPID_UNKNOWN) text += L" " + names[i];
  }
  return text;
}

// Passes a by-reference argument: `referent` receives its value and owns it during the call;
// `passed` refers to it as a reference to the value's own type, or as a reference to the whole
// VARIANT where the value has no type of its own or the caller asked for a Variant. Either way
// the callee writes where the caller reads back afterwards.
void passByReference(const Arg& arg, VARIANT& referent, VARIANT& passed) {
  referent = toVariant(arg.value()).release();
  const VARTYPE own = referent.vt;
  if (arg.isVariantRef() || own == VT_EMPTY || own == VT_NULL) {
    passed.vt = VT_BYREF | VT_VARIANT;
    passed.pvarVal = &referent;
  } else {
    passed.vt = static_cast<VARTYPE>(VT_BYREF | own);
    passed.byref = &referent.llVal;  // every value but a DECIMAL starts where llVal does
  }
}

}  // namespace

DispatchObject::DispatchObject(ComPtr<IDispatch> dispatch, LCID locale)
    : dispatch_(std::move(dispatch)), locale_(locale) {
  if (!dispatch_) throw ComError::automation(errors::kObjectNotSet);
  unknown_ = dispatch_.query<IUnknown>(IID_IUnknown);
}

std::shared_ptr<Dispatchable> DispatchObject::withLocale(std::uint32_t locale) const {
  return onlyComErrors([&] { return std::make_shared<DispatchObject>(dispatch_, static_cast<LCID>(locale)); });
}

Variant DispatchObject::inherited(Variant value) const {
  if (locale_ == LOCALE_USER_DEFAULT) return value;
  return inLocale(std::move(value), locale_);
}

const void* DispatchObject::identity() const {
  return unknown_ ? static_cast<const void*>(unknown_.get()) : static_cast<const void*>(dispatch_.get());
}

bool DispatchObject::implements(std::wstring_view interfaceName) const {
  const IID* iid = findTypedInterface(interfaceName);
  if (iid == nullptr) return true;
  return static_cast<bool>(dispatch_.query<IUnknown>(*iid));
}

IDispatchEx* DispatchObject::dispatchEx() {
  if (!dispatchExQueried_) {
    dispatchEx_ = dispatch_.query<IDispatchEx>(__uuidof(IDispatchEx));
    dispatchExQueried_ = true;
  }
  return dispatchEx_.get();
}

const DispatchObject::Ids& DispatchObject::resolve(std::wstring_view member,
                                                   const std::vector<std::wstring>& namedArguments) {
  std::wstring key = platform::foldCase(member);
  for (const std::wstring& name : namedArguments) {
    key += kKeySeparator;
    key += platform::foldCase(name);
  }
  if (const auto found = ids_.find(key); found != ids_.end()) return found->second;

  Ids ids;
  if (member.empty() && namedArguments.empty()) {
    ids.member = DISPID_VALUE;
  } else {
    std::vector<std::wstring> names;
    names.reserve(namedArguments.size() + 1);
    names.emplace_back(member);
    names.insert(names.end(), namedArguments.begin(), namedArguments.end());
    std::vector<LPOLESTR> pointers;
    pointers.reserve(names.size());
    for (std::wstring& name : names) pointers.push_back(name.data());
    std::vector<DISPID> dispids(names.size(), DISPID_UNKNOWN);
    const HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, pointers.data(), static_cast<UINT>(pointers.size()),
                                                locale_, dispids.data());
    if (SUCCEEDED(hr)) {
      ids.member = dispids[0];
      ids.named.assign(dispids.begin() + 1, dispids.end());
    } else if ((hr == E_NOTIMPL || hr == DISP_E_UNKNOWNNAME) && dispatchEx() != nullptr) {
      // Script objects: names are found one at a time, and script procedures take no named arguments.
      if (!namedArguments.empty()) throw errorFromHresult(DISP_E_NONAMEDARGS, member);
      const Bstr name(member);
      const HRESULT found = dispatchEx_->GetDispID(name.get(), fdexNameCaseInsensitive, &ids.member);
      if (FAILED(found)) throw errorFromHresult(found, member);
      ids.dispatchEx = true;
    } else {
      throw errorFromHresult(hr, unknownNames(member, namedArguments, dispids));
    }
  }
  return ids_.emplace(std::move(key), std::move(ids)).first->second;
}

Variant DispatchObject::invokeOnce(std::wstring_view member, WORD flags, std::vector<Arg>& args, bool put) {
  const std::size_t count = args.size();
  const std::size_t valueIndex = put ? count - 1 : count;  // where a put's new value is
  std::vector<std::wstring> names;
  std::vector<std::size_t> named;
  std::vector<std::size_t> positional;
  for (std::size_t i = 0; i < count; ++i) {
    if (i == valueIndex) continue;
    if (args[i].isNamed()) {
      names.push_back(args[i].name());
      named.push_back(i);
    } else {
      positional.push_back(i);
    }
  }
  const Ids& ids = resolve(member, names);

  // IDispatch's order: the named arguments first (paired with their DISPIDs), then the positional
  // ones from last to first.
  VariantVector passed(count);
  VariantVector referents(count);  // by argument index: what a by-reference argument points at
  std::vector<DISPID> namedIds;
  namedIds.reserve(named.size() + 1);
  std::size_t slot = 0;
  const auto place = [&](std::size_t index, bool byRefAllowed) {
    Arg& arg = args[index];
    VARIANT& target = passed[slot++];
    if (arg.isMissing()) {
      target.vt = VT_ERROR;
      target.scode = DISP_E_PARAMNOTFOUND;
    } else if (arg.isByRef() && byRefAllowed) {
      passByReference(arg, referents[index], target);
    } else {
      target = toVariant(arg.value()).release();
    }
  };
  if (put) {
    namedIds.push_back(DISPID_PROPERTYPUT);
    place(valueIndex, false);
  }
  for (std::size_t k = 0; k < named.size(); ++k) {
    namedIds.push_back(ids.named[k]);
    place(named[k], true);
  }
  for (auto it = positional.rbegin(); it != positional.rend(); ++it) place(*it, true);

  DISPPARAMS params{passed.data(), namedIds.empty() ? nullptr : namedIds.data(), static_cast<UINT>(count),
                    static_cast<UINT>(namedIds.size())};
  UniqueVariant result;
  ExcepInfoHolder exception;
  UINT argumentError = 0;
  VARIANT* resultSlot = put ? nullptr : result.ptr();
  const HRESULT hr =
      ids.dispatchEx
          ? dispatchEx_->InvokeEx(ids.member, locale_, flags, &params, resultSlot, exception.ptr(), nullptr)
          : dispatch_->Invoke(ids.member, IID_NULL, locale_, flags, &params, resultSlot, exception.ptr(),
                              &argumentError);
  if (FAILED(hr)) {
    if (hr == DISP_E_EXCEPTION) throw errorFromExcepInfo(exception.get());
    std::wstring context = member.empty() ? std::wstring(L"default member") : std::wstring(member);
    const std::size_t firstPositional = namedIds.size();
    if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) && !ids.dispatchEx &&
        argumentError >= firstPositional && argumentError < count) {
      context += L", argument " + std::to_wstring(positional.size() - (argumentError - firstPositional));
    }
    throw errorFromHresult(hr, context);
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (i != valueIndex && args[i].isByRef() && !args[i].isMissing()) {
      args[i].ref() = inherited(fromVariant(referents[i]));
    }
  }
  return put ? Variant() : inherited(fromVariant(result.get()));
}

Variant DispatchObject::invoke(std::wstring_view member, InvokeKind kind, std::vector<Arg>& args) {
  return onlyComErrors([&]() -> Variant {
    switch (kind) {
      case InvokeKind::Method:
      case InvokeKind::Read:
        return invokeOnce(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, false);
      case InvokeKind::PropertyGet:
        return invokeOnce(member, DISPATCH_PROPERTYGET, args, false);
      case InvokeKind::PropertyPut:
      case InvokeKind::PropertyPutRef:
        break;
    }
    if (args.empty()) throw errorFromHresult(DISP_E_BADPARAMCOUNT, member);
    const bool putRef = kind == InvokeKind::PropertyPutRef;
    try {
      return invokeOnce(member, putRef ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT, args, true);
    } catch (const ComError& error) {
      // A property that takes an object may be declared for only one of the two assignments
      // (propput or propputref); trying the other keeps the call working whichever it offers.
      if (!args.back().value().isObject() || error.number() != static_cast<std::int32_t>(DISP_E_MEMBERNOTFOUND)) {
        throw;
      }
    }
    return invokeOnce(member, putRef ? DISPATCH_PROPERTYPUT : DISPATCH_PROPERTYPUTREF, args, true);
  });
}

Connection DispatchObject::connect(std::wstring_view eventsInterface, EventHandler handler) {
  return onlyComErrors([&] { return connectEvents(*dispatch_.get(), eventsInterface, std::move(handler), locale_); });
}

Object fromDispatch(IDispatch* dispatch) {
  if (dispatch == nullptr) return Object();
  return onlyComErrors([&] { return Object(std::make_shared<DispatchObject>(ComPtr<IDispatch>::retain(dispatch))); });
}

Variant inLocale(Variant value, LCID locale) {
  if (value.isObject()) {
    const Object object = value.toObject();
    const DispatchObject* target = object.as<DispatchObject>();
    if (target == nullptr || target->locale() == locale) return value;
    return Variant(object.withLocale(locale));
  }
  if (!value.isArray()) return value;
  VariantArray elements = value.array();
  for (Variant& element : elements) element = inLocale(std::move(element), locale);
  return Variant(std::move(elements));
}

IDispatch* toDispatch(const Object& object) noexcept {
  const DispatchObject* target = object.as<DispatchObject>();
  if (target == nullptr) return nullptr;
  IDispatch* dispatch = target->dispatch();
  dispatch->AddRef();
  return dispatch;
}

}  // namespace automation::win32
