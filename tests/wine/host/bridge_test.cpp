// The dispatch bridge under Wine: a simulated Office shown through real COM, driven by raw
// IDispatch calls as the add-in makes them, with event sinks advised through connection points.
// Prints each failed check and ends with "N passed, N failed"; exits non-zero on any failure.

#include <windows.h>

#include <ole2.h>
#include <olectl.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation/dispatch.h"
#include "automation/variant.h"
#include "automation/win32/com_ptr.h"
#include "automation/win32/dispatch_object.h"
#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "sim/application.h"
#include "sim/command_bar.h"
#include "sim/command_bar_control.h"
#include "sim/folder_vault.h"
#include "sim/machine.h"
#include "sim/path_mapper.h"
#include "sim/com/com_object.h"
#include "sim/com/com_values.h"
#include "sim/com/dispatch_bridge.h"
#include "sim/com/office_ids.h"
#include "tests/wine/host/test_harness.h"

namespace {

using automation::Arg;
using automation::ComError;
using automation::InvokeKind;
using automation::Object;
using automation::Variant;
using automation::win32::ComPtr;
using wine_host::Bstr;
using wine_host::ComObject;
using wine_host::DispatchBridge;
using wine_host::ExceptionInfo;
using wine_host::VariantValue;

constexpr wchar_t kErrorSource[] = L"Simulated Office";

using wine_host::testing::hex;

// --- A simulated machine ------------------------------------------------------------------------------

struct World {
  platform::win32::Win32Platform services{GetModuleHandleW(nullptr)};
  sim::Machine machine{services.platform(), std::make_unique<sim::IdentityPathMapper>()};
  DispatchBridge bridge{kErrorSource};

  std::shared_ptr<sim::Application> start(sim::HostKind kind, std::wstring version = L"11.0") {
    sim::HostOptions options;
    options.kind = kind;
    options.version = std::move(version);
    return sim::Application::start(machine, options);
  }
  ComPtr<IDispatch> bridged(const Object& object) { return ComPtr<IDispatch>::adopt(bridge.bridge(object)); }
};

// --- Raw IDispatch calls ------------------------------------------------------------------------------

// Arguments in call order, as a client builds them; owned here.
class Args {
 public:
  Args() = default;
  Args(const Args&) = delete;
  Args& operator=(const Args&) = delete;
  ~Args() {
    for (auto& value : values_) VariantClear(&value);
  }
  Args& i4(LONG value) { return add(VT_I4, [&](VARIANT& v) { v.lVal = value; }); }
  Args& text(const std::wstring& value) { return add(VT_BSTR, [&](VARIANT& v) { v.bstrVal = Bstr(value).detach(); }); }
  Args& boolean(bool value) {
    return add(VT_BOOL, [&](VARIANT& v) { v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE; });
  }
  Args& r8(double value) { return add(VT_R8, [&](VARIANT& v) { v.dblVal = value; }); }
  Args& missing() { return add(VT_ERROR, [](VARIANT& v) { v.scode = DISP_E_PARAMNOTFOUND; }); }
  Args& dispatch(IDispatch* value) {
    if (value) value->AddRef();
    return add(VT_DISPATCH, [&](VARIANT& v) { v.pdispVal = value; });
  }
  // A reference to the caller's variable; the variable stays the caller's.
  Args& reference(VARTYPE type, void* target) {
    return add(static_cast<VARTYPE>(VT_BYREF | type), [&](VARIANT& v) { v.byref = target; });
  }
  std::vector<VARIANT>& values() { return values_; }

 private:
  template <typename Fill>
  Args& add(VARTYPE type, Fill fill) {
    values_.emplace_back();
    VariantInit(&values_.back());
    fill(values_.back());  // the type last: a value that cannot be made leaves an empty VARIANT
    values_.back().vt = type;
    return *this;
  }
  std::vector<VARIANT> values_;
};

struct Outcome {
  HRESULT hr = E_FAIL;
  VariantValue result;
  ExceptionInfo exception;
  UINT argumentError = ~0u;

  std::wstring text() const { return result.get().vt == VT_BSTR ? wine_host::textOf(result.get().bstrVal) : L"?"; }
  IDispatch* object() const { return result.get().vt == VT_DISPATCH ? result.get().pdispVal : nullptr; }
  ComPtr<IDispatch> takeObject() const { return ComPtr<IDispatch>::retain(object()); }
  std::wstring description() const { return wine_host::textOf(exception.get().bstrDescription); }
  std::wstring source() const { return wine_host::textOf(exception.get().bstrSource); }
};

DISPID dispidOf(IDispatch* target, const std::wstring& name) {
  std::wstring copy = name;
  LPOLESTR names[] = {copy.data()};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT hr = target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  return SUCCEEDED(hr) ? id : DISPID_UNKNOWN;
}

// Calls `member` (L"" for the default member) with `args` in call order, the last `names.size()`
// of them named so. A put passes its new value as the last argument, named DISPID_PROPERTYPUT.
std::unique_ptr<Outcome> call(IDispatch* target, const std::wstring& member, WORD flags, Args* args = nullptr,
                              std::vector<std::wstring> names = {}, bool withExceptionInfo = true) {
  auto outcome = std::make_unique<Outcome>();
  std::vector<std::wstring> all{member};
  for (auto& name : names) all.push_back(name);
  std::vector<LPOLESTR> pointers;
  for (auto& name : all) pointers.push_back(name.data());
  std::vector<DISPID> ids(all.size(), DISPID_UNKNOWN);
  if (!member.empty() || !names.empty()) {
    outcome->hr = target->GetIDsOfNames(IID_NULL, pointers.data(), static_cast<UINT>(pointers.size()),
                                        LOCALE_USER_DEFAULT, ids.data());
    if (FAILED(outcome->hr)) return outcome;
  }
  if (member.empty()) ids[0] = DISPID_VALUE;

  std::vector<VARIANT> empty;
  std::vector<VARIANT>& given = args ? args->values() : empty;
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  std::vector<DISPID> namedIds;
  std::vector<VARIANT> rgvarg;  // shallow copies: the values stay owned by `args`
  if (put) {
    namedIds.push_back(DISPID_PROPERTYPUT);
    rgvarg.push_back(given.back());
  }
  const std::size_t count = put ? given.size() - 1 : given.size();
  const std::size_t namedCount = names.size();
  for (std::size_t k = 0; k < namedCount; ++k) {
    namedIds.push_back(ids[1 + k]);
    rgvarg.push_back(given[count - namedCount + k]);
  }
  for (std::size_t i = count - namedCount; i > 0; --i) rgvarg.push_back(given[i - 1]);

  DISPPARAMS params{rgvarg.empty() ? nullptr : rgvarg.data(), namedIds.empty() ? nullptr : namedIds.data(),
                    static_cast<UINT>(rgvarg.size()), static_cast<UINT>(namedIds.size())};
  outcome->hr =
      target->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, flags, &params, put ? nullptr : outcome->result.ptr(),
                     withExceptionInfo ? outcome->exception.ptr() : nullptr, &outcome->argumentError);
  return outcome;
}

std::unique_ptr<Outcome> get(IDispatch* target, const std::wstring& member, Args* args = nullptr,
                             std::vector<std::wstring> names = {}) {
  return call(target, member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, std::move(names));
}

std::unique_ptr<Outcome> put(IDispatch* target, const std::wstring& member, Args& args) {
  return call(target, member, DISPATCH_PROPERTYPUT, &args);
}

ComPtr<IDispatch> getObject(IDispatch* target, const std::wstring& member, Args* args = nullptr) {
  auto outcome = get(target, member, args);
  return outcome->takeObject();
}

bool sameObject(IUnknown* a, IUnknown* b) {
  if (!a || !b) return a == b;
  ComPtr<IUnknown> first;
  ComPtr<IUnknown> second;
  if (FAILED(a->QueryInterface(IID_IUnknown, first.putVoid())) ||
      FAILED(b->QueryInterface(IID_IUnknown, second.putVoid()))) {
    return false;
  }
  return first.get() == second.get();
}

ULONG referencesOf(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

// --- A sink for events, as the add-in implements one ---------------------------------------------------

struct ReceivedEvent {
  DISPID dispid = DISPID_UNKNOWN;
  WORD flags = 0;
  UINT named = 0;
  std::vector<VARTYPE> types;              // in call order
  std::vector<ComPtr<IDispatch>> objects;  // in call order; null where no object came
  std::vector<int> booleansBefore;         // in call order; -1 where no VT_BYREF | VT_BOOL came
};

class EventSink final : public ComObject<IDispatch> {
 public:
  static ComPtr<EventSink> create(const IID& events, bool answersEvents = true) {
    return ComPtr<EventSink>::adopt(new EventSink(events, answersEvents));
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO* exception, UINT*) override {
    try {
      ReceivedEvent event;
      event.dispid = dispid;
      event.flags = flags;
      event.named = params->cNamedArgs;
      for (UINT i = params->cArgs; i > 0; --i) {
        const VARIANT& arg = params->rgvarg[i - 1];
        event.types.push_back(arg.vt);
        event.objects.push_back(arg.vt == VT_DISPATCH ? ComPtr<IDispatch>::retain(arg.pdispVal) : nullptr);
        event.booleansBefore.push_back(arg.vt == (VT_BYREF | VT_BOOL) ? (*arg.pboolVal != VARIANT_FALSE ? 1 : 0) : -1);
      }
      received.push_back(std::move(event));
      if (onEvent) onEvent(dispid, *params);
    } catch (...) {
      return E_UNEXPECTED;
    }
    if (failWith == DISP_E_EXCEPTION && exception) {
      ZeroMemory(exception, sizeof *exception);
      exception->scode = failScode;
      exception->bstrDescription = SysAllocString(L"Subscript out of range");
      return DISP_E_EXCEPTION;
    }
    return failWith;
  }

  std::vector<ReceivedEvent> received;
  std::function<void(DISPID, DISPPARAMS&)> onEvent;
  HRESULT failWith = S_OK;
  SCODE failScode = 0;

 private:
  EventSink(const IID& events, bool answersEvents)
      : ComObject(answersEvents ? std::vector<IID>{IID_IDispatch, events} : std::vector<IID>{IID_IDispatch}) {}
};

// Sets the VT_BYREF | VT_BOOL argument at `index` (call order) of the event `dispid` to True.
std::function<void(DISPID, DISPPARAMS&)> setTrue(DISPID dispid, UINT index) {
  return [dispid, index](DISPID received, DISPPARAMS& params) {
    if (received != dispid || index >= params.cArgs) return;
    VARIANT& arg = params.rgvarg[params.cArgs - 1 - index];
    if (arg.vt == (VT_BYREF | VT_BOOL)) *arg.pboolVal = VARIANT_TRUE;
  };
}

struct Advised {
  ComPtr<IConnectionPoint> point;
  DWORD cookie = 0;
  HRESULT hr = E_FAIL;
};

// Every advice of these tests is one that Office takes.
Advised advise(IDispatch* source, const IID& events, IUnknown* sink) {
  Advised result;
  ComPtr<IConnectionPointContainer> container;
  result.hr = source->QueryInterface(IID_IConnectionPointContainer, container.putVoid());
  if (SUCCEEDED(result.hr)) result.hr = container->FindConnectionPoint(events, result.point.put());
  if (SUCCEEDED(result.hr)) result.hr = result.point->Advise(sink, &result.cookie);
  CHECK_HR(result.hr, S_OK);
  return result;
}

// --- An object of our own, showing what arrives from a call -------------------------------------------

class Recorder final : public automation::Dispatchable {
 public:
  struct Received {
    std::wstring name;
    bool missing = false;
    Variant value;
  };
  struct Call {
    std::wstring member;
    InvokeKind kind = InvokeKind::Method;
    std::vector<Received> args;
  };

  Variant invoke(std::wstring_view member, InvokeKind kind, std::vector<Arg>& args) override {
    Call received{std::wstring(member), kind, {}};
    for (auto& arg : args) received.args.push_back({arg.name(), arg.isMissing(), arg.value()});
    calls.push_back(received);
    if (platform::equalsIgnoreCase(member, L"Items")) {
      return Variant(automation::VariantArray{Variant(std::int32_t{1}), Variant(L"two")});
    }
    return Variant(static_cast<std::int32_t>(args.size()));
  }

  std::vector<Call> calls;
};

// The number and description of the ComError that `action` raises.
std::pair<std::int32_t, std::wstring> errorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const ComError& error) {
    return {error.number(), error.description()};
  }
  return {0, L""};
}

// Adds a temporary button to the menu bar through IDispatch with named arguments.
ComPtr<IDispatch> addButton(IDispatch* application) {
  auto bars = getObject(application, L"CommandBars");
  auto bar = getObject(bars.get(), L"", &Args().text(L"Menu Bar"));
  auto controls = getObject(bar.get(), L"Controls");
  return get(controls.get(), L"Add", &Args().i4(1).boolean(true), {L"Type", L"Temporary"})->takeObject();
}

// --- The tests ----------------------------------------------------------------------------------------

// The application's name is its default member. (Name and Version themselves the add-in reads at
// every connection in the host's test.) Served through the simulated Office's type library, with
// the real DISPIDs; objects without a signature (a worksheet, a range, the add-in's own) get
// DISPIDs from the bridge, stable and without regard to case.
void defaultMemberTypeLibraryAndDispids(World& world) {
  auto app = world.start(sim::HostKind::Word);
  auto bridged = world.bridged(app->self());
  auto byDefault = call(bridged.get(), L"", DISPATCH_PROPERTYGET);
  CHECK_HR(byDefault->hr, S_OK);
  CHECK_TEXT(byDefault->text(), L"Microsoft Word");
  UINT count = 9;
  CHECK_HR(bridged->GetTypeInfoCount(&count), S_OK);
  CHECK(count == 1);
  CHECK(dispidOf(bridged.get(), L"CommandBars") == 57);
  CHECK(dispidOf(bridged.get(), L"commandbars") == 57);

  auto recorder = world.bridged(Object(std::make_shared<Recorder>()));
  const DISPID name = dispidOf(recorder.get(), L"Name");
  CHECK(name != DISPID_UNKNOWN && name != DISPID_VALUE);
  CHECK(dispidOf(recorder.get(), L"NAME") == name);
  CHECK(dispidOf(recorder.get(), L"name") == name);
  CHECK(dispidOf(recorder.get(), L"Version") != name);
  CHECK(dispidOf(recorder.get(), L"") == DISPID_VALUE);
  auto other = world.bridged(Object(std::make_shared<Recorder>()));
  CHECK(dispidOf(other.get(), L"nAmE") == name);
}

void controlsAddWithNamedArguments(World& world) {
  auto app = world.start(sim::HostKind::Word);
  auto bridged = world.bridged(app->self());
  const std::size_t before = app->menuBar()->controls().size();
  auto button = addButton(bridged.get());
  CHECK(button);
  if (!button) return;
  const Object added = world.bridge.unwrap(button.get());
  auto* control = added.as<sim::CommandBarControl>();
  CHECK(control != nullptr);
  if (!control) return;
  CHECK(control->type() == sim::ControlType::Button);
  CHECK(control->isTemporary());
  CHECK(control->parent() == app->menuBar());
  CHECK(app->menuBar()->controls().size() == before + 1);

  // Named arguments in another order, and an omitted positional one before a given one.
  auto bar = world.bridged(app->menuBar()->self());
  auto controls = getObject(bar.get(), L"Controls");
  auto popup = get(controls.get(), L"Add", &Args().boolean(false).i4(10), {L"temporary", L"TYPE"});
  CHECK_HR(popup->hr, S_OK);
  auto* popupControl = world.bridge.unwrap(popup->object()).as<sim::CommandBarControl>();
  CHECK(popupControl && popupControl->type() == sim::ControlType::Popup && !popupControl->isTemporary());
  auto positional = get(controls.get(), L"Add", &Args().i4(1).missing().missing().missing().boolean(true));
  CHECK_HR(positional->hr, S_OK);
  auto* positionalControl = world.bridge.unwrap(positional->object()).as<sim::CommandBarControl>();
  CHECK(positionalControl && positionalControl->type() == sim::ControlType::Button &&
        positionalControl->isTemporary() && positionalControl->id() == 1);
  CHECK(app->menuBar()->controls().size() == before + 3);

  // Property put and get on the first button.
  CHECK_HR(put(button.get(), L"Caption", Args().text(L"&Lockfolio"))->hr, S_OK);
  CHECK_TEXT(control->caption(), L"&Lockfolio");
  CHECK_TEXT(get(button.get(), L"Caption")->text(), L"&Lockfolio");

  // The standard dispatcher wants the new value named DISPID_PROPERTYPUT.
  Args tag;
  DISPPARAMS unnamed{tag.text(L"LockfolioTag").values().data(), nullptr, 1, 0};
  CHECK_HR(button->Invoke(dispidOf(button.get(), L"Tag"), IID_NULL, 0, DISPATCH_PROPERTYPUT, &unnamed, nullptr, nullptr,
                          nullptr),
           DISP_E_PARAMNOTFOUND);
  CHECK_TEXT(control->tag(), L"");

  // A Boolean.
  CHECK_HR(put(button.get(), L"Enabled", Args().boolean(false))->hr, S_OK);
  CHECK(!control->enabled());
  auto read = get(button.get(), L"Enabled");
  CHECK(read->result.get().vt == VT_BOOL && read->result.get().boolVal == VARIANT_FALSE);
  // A put without any value.
  DISPPARAMS nothing{nullptr, nullptr, 0, 0};
  CHECK_HR(button->Invoke(dispidOf(button.get(), L"Caption"), IID_NULL, 0, DISPATCH_PROPERTYPUT, &nothing, nullptr,
                          nullptr, nullptr),
           DISP_E_PARAMNOTFOUND);
}

void errorsBecomeExceptionInfo(World& world) {
  auto app = world.start(sim::HostKind::Word);
  auto bridged = world.bridged(app->self());
  auto bars = getObject(bridged.get(), L"CommandBars");
  // What the simulator raises for the same call made in C++.
  const auto expected = errorOf([&] { app->self().get(L"CommandBars").toObject().get(L"", {Arg(Variant(L"Nope"))}); });
  CHECK(expected.first < 0);
  auto missing = get(bars.get(), L"", &Args().text(L"Nope"));
  CHECK_HR(missing->hr, DISP_E_EXCEPTION);
  CHECK_HR(missing->exception.get().scode, expected.first);
  CHECK(missing->exception.get().wCode == 0);
  CHECK_TEXT(missing->description(), expected.second);
  CHECK_TEXT(missing->source(), kErrorSource);

  // An Automation error number of our own (13, type mismatch) becomes 0x800A000D.
  auto bar = world.bridged(app->menuBar()->self());
  auto controls = getObject(bar.get(), L"Controls");
  auto mismatch = get(controls.get(), L"Add", &Args().text(L"abc"), {L"Type"});
  CHECK_HR(mismatch->hr, DISP_E_EXCEPTION);
  CHECK_HR(mismatch->exception.get().scode, static_cast<HRESULT>(0x800A000Du));
  CHECK(!mismatch->description().empty());

  // Without an EXCEPINFO to fill, the standard dispatcher still says DISP_E_EXCEPTION; the generic
  // bridge returns the failure itself.
  auto bare = call(bars.get(), L"", DISPATCH_METHOD | DISPATCH_PROPERTYGET, &Args().text(L"Nope"), {}, false);
  CHECK_HR(bare->hr, DISP_E_EXCEPTION);
  // Word's document collection has no signature: the simulator finds no such member.
  auto documents = getObject(bridged.get(), L"Documents");
  auto unknown = get(documents.get(), L"NoSuchMember");
  CHECK_HR(unknown->hr, DISP_E_EXCEPTION);
  CHECK_HR(unknown->exception.get().scode, DISP_E_MEMBERNOTFOUND);
  CHECK(unknown->description().find(L"NoSuchMember") != std::wstring::npos);
  CHECK_HR(call(documents.get(), L"NoSuchMember", DISPATCH_PROPERTYGET, nullptr, {}, false)->hr, DISP_E_MEMBERNOTFOUND);
}

void sameObjectSameIdentity(World& world) {
  auto app = world.start(sim::HostKind::Word);
  auto bridged = world.bridged(app->self());
  auto bars1 = getObject(bridged.get(), L"CommandBars");
  auto bars2 = getObject(bridged.get(), L"CommandBars");
  CHECK(bars1 && bars1.get() == bars2.get());
  CHECK(sameObject(bars1.get(), bars2.get()));
  auto active = getObject(bars1.get(), L"ActiveMenuBar");
  auto byName = getObject(bars2.get(), L"Item", &Args().text(L"Menu Bar"));
  CHECK(active && active.get() == byName.get());
  auto self = getObject(bridged.get(), L"Application");
  CHECK(self.get() == bridged.get());
  auto viaBridge = world.bridged(app->self());
  CHECK(viaBridge.get() == bridged.get());
  // QueryInterface for IUnknown gives one identity from every interface of the object.
  ComPtr<IConnectionPointContainer> container;
  CHECK_HR(bridged->QueryInterface(IID_IConnectionPointContainer, container.putVoid()), S_OK);
  CHECK(sameObject(container.get(), bridged.get()));
  // Different objects are different.
  CHECK(!sameObject(bars1.get(), active.get()));
  CHECK(world.bridge.liveBridges() == 3);
  bars1.reset();
  bars2.reset();
  CHECK(world.bridge.liveBridges() == 2);  // the application and the menu bar
}

void argumentsArriveInCallOrder(World& world) {
  auto recorder = std::make_shared<Recorder>();
  auto bridged = world.bridged(Object(recorder));
  Args args;
  args.i4(1).text(L"two").r8(3.5).missing().boolean(true);
  auto outcome = get(bridged.get(), L"Record", &args, {L"Flag"});
  CHECK_HR(outcome->hr, S_OK);
  CHECK(outcome->result.get().vt == VT_I4 && outcome->result.get().lVal == 5);
  CHECK(recorder->calls.size() == 1);
  if (recorder->calls.size() != 1) return;
  const auto& received = recorder->calls[0];
  CHECK_TEXT(received.member, L"Record");
  CHECK(received.kind == InvokeKind::PropertyGet);
  CHECK(received.args.size() == 5);
  if (received.args.size() == 5) {
    CHECK(received.args[0].value == Variant(std::int32_t{1}));
    CHECK(received.args[1].value == Variant(L"two"));
    CHECK(received.args[2].value == Variant(3.5));
    CHECK(received.args[3].missing);
    CHECK_TEXT(received.args[4].name, L"Flag");
    CHECK(received.args[4].value == Variant(true));
  }
  // A method call, a put with an index, a putref with an object.
  recorder->calls.clear();
  Args none;
  CHECK_HR(call(bridged.get(), L"Run", DISPATCH_METHOD, &none)->hr, S_OK);
  CHECK_HR(put(bridged.get(), L"Item", Args().i4(2).text(L"x"))->hr, S_OK);
  Args object;
  object.dispatch(bridged.get());
  CHECK_HR(call(bridged.get(), L"Target", DISPATCH_PROPERTYPUTREF, &object)->hr, S_OK);
  CHECK(recorder->calls.size() == 3);
  if (recorder->calls.size() == 3) {
    CHECK(recorder->calls[0].kind == InvokeKind::Method);
    CHECK(recorder->calls[1].kind == InvokeKind::PropertyPut);
    CHECK(recorder->calls[1].args.size() == 2 && recorder->calls[1].args[0].value == Variant(std::int32_t{2}) &&
          recorder->calls[1].args[1].value == Variant(L"x"));
    CHECK(recorder->calls[2].kind == InvokeKind::PropertyPutRef);
    // Our own bridge comes back as the object it shows.
    CHECK(recorder->calls[2].args.size() == 1 && recorder->calls[2].args[0].value.isObject() &&
          recorder->calls[2].args[0].value.toObject() == Object(recorder));
  }
  // Arrays both ways.
  auto items = get(bridged.get(), L"Items");
  CHECK(items->result.get().vt == (VT_ARRAY | VT_VARIANT));
  if (items->result.get().vt == (VT_ARRAY | VT_VARIANT)) {
    const Variant back = world.bridge.fromVariant(items->result.get());
    CHECK(back == Variant(automation::VariantArray{Variant(std::int32_t{1}), Variant(L"two")}));
  }
}

// A picture made by OLE, as the add-in makes its button faces: put into a button's Picture and
// handed back as the very same COM object, not a bridge of a bridge.
void aPictureFromOutside(World& world) {
  auto app = world.start(sim::HostKind::Word, L"11.0");
  auto button = addButton(world.bridged(app->self()).get());
  HBITMAP bitmap = CreateBitmap(16, 16, 1, 32, nullptr);
  CHECK(bitmap != nullptr);
  PICTDESC description{};
  description.cbSizeofstruct = sizeof description;
  description.picType = PICTYPE_BITMAP;
  description.bmp.hbitmap = bitmap;
  ComPtr<IDispatch> picture;
  const HRESULT created = OleCreatePictureIndirect(&description, IID_IPictureDisp, TRUE, picture.putVoid());
  CHECK_HR(created, S_OK);
  if (FAILED(created)) {
    DeleteObject(bitmap);
    return;
  }
  Args value;
  value.dispatch(picture.get());
  // Picture is declared put, not putref: the add-in's backend tries the one after the other.
  CHECK_HR(call(button.get(), L"Picture", DISPATCH_PROPERTYPUTREF, &value)->hr, DISP_E_MEMBERNOTFOUND);
  CHECK_HR(call(button.get(), L"Picture", DISPATCH_PROPERTYPUT, &value)->hr, S_OK);
  auto* control = world.bridge.unwrap(button.get()).as<sim::CommandBarControl>();
  CHECK(control && control->picture());
  if (control && control->picture()) {
    CHECK(control->picture().get(L"Type") == Variant(std::int16_t{PICTYPE_BITMAP}) ||
          control->picture().get(L"Type") == Variant(std::int32_t{PICTYPE_BITMAP}));
  }
  auto back = get(button.get(), L"Picture");
  CHECK(back->object() == picture.get());
}

void clickReachesAdvisedSink(World& world) {
  auto app = world.start(sim::HostKind::Word);
  auto button = addButton(world.bridged(app->self()).get());
  const Object control = world.bridge.unwrap(button.get());
  auto sink = EventSink::create(wine_host::kIidCommandBarButtonEvents);
  sink->onEvent = setTrue(1, 1);

  auto advised = advise(button.get(), wine_host::kIidCommandBarButtonEvents, sink.get());
  CHECK(advised.cookie != 0);
  if (FAILED(advised.hr)) return;
  CHECK(world.bridge.advisedConnections() == 1);

  const sim::ClickOutcome clicked = app->click(control);
  CHECK(clicked.clicked);
  CHECK(clicked.cancelDefault);  // the sink's VARIANT_TRUE came back to the simulator
  CHECK(app->eventFailures().empty());
  CHECK(sink->received.size() == 1);
  if (sink->received.size() == 1) {
    const auto& event = sink->received[0];
    CHECK(event.dispid == 1);
    CHECK(event.flags == DISPATCH_METHOD);
    CHECK(event.named == 0);
    CHECK(event.types.size() == 2);
    if (event.types.size() == 2) {
      CHECK(event.types[0] == VT_DISPATCH);
      CHECK(event.objects[0].get() == button.get());  // Ctrl: the button's own IDispatch
      CHECK(event.types[1] == (VT_BYREF | VT_BOOL));
      CHECK(event.booleansBefore[1] == 0);
    }
  }
  sink->received.clear();

  // Released by the connection point at Unadvise: only our own reference stays.
  CHECK_HR(advised.point->Unadvise(advised.cookie), S_OK);
  CHECK(referencesOf(sink.get()) == 1);
  CHECK(world.bridge.advisedConnections() == 0);
  const sim::ClickOutcome after = app->click(control);
  CHECK(after.clicked && !after.cancelDefault);
  CHECK(sink->received.empty());
  CHECK_HR(advised.point->Unadvise(advised.cookie), CONNECT_E_NOCONNECTION);

  // Advised again through a connection point found anew, after the first one was released.
  advised.point.reset();
  sink->onEvent = nullptr;
  auto second = advise(button.get(), wine_host::kIidCommandBarButtonEvents, sink.get());
  second.point.reset();  // the connection outlives the connection point object
  CHECK(app->click(control).clicked);
  CHECK(sink->received.size() == 1);
  // A failing sink is recorded by the host, with its EXCEPINFO or its HRESULT.
  sink->failWith = DISP_E_EXCEPTION;
  sink->failScode = static_cast<SCODE>(0x800A0009u);
  CHECK(app->click(control).clicked);
  CHECK(app->eventFailures().size() == 1);
  if (app->eventFailures().size() == 1) {
    CHECK_TEXT(app->eventFailures()[0].event, L"Click");
    CHECK_HR(app->eventFailures()[0].error.number(), static_cast<HRESULT>(0x800A0009u));
    CHECK_TEXT(app->eventFailures()[0].error.description(), L"Subscript out of range");
  }
  app->clearEventFailures();
  sink->failWith = E_FAIL;
  CHECK(app->click(control).clicked);
  CHECK(app->eventFailures().size() == 1 && app->eventFailures()[0].error.number() == E_FAIL);
  ComPtr<IConnectionPointContainer> again;
  CHECK_HR(button->QueryInterface(IID_IConnectionPointContainer, again.putVoid()), S_OK);
  ComPtr<IConnectionPoint> point;
  CHECK_HR(again->FindConnectionPoint(wine_host::kIidCommandBarButtonEvents, point.put()), S_OK);
  CHECK_HR(point->Unadvise(second.cookie), S_OK);
  CHECK(referencesOf(sink.get()) == 1);
}

void connectionPointsOfferOnlyTheirEvents(World& world) {
  auto word = world.start(sim::HostKind::Word);
  auto wordApp = world.bridged(word->self());
  auto button = addButton(wordApp.get());
  ComPtr<IConnectionPointContainer> buttonPoints;
  CHECK_HR(button->QueryInterface(IID_IConnectionPointContainer, buttonPoints.putVoid()), S_OK);
  ComPtr<IConnectionPoint> point;
  CHECK_HR(buttonPoints->FindConnectionPoint(wine_host::kIidExcelAppEvents, point.put()), CONNECT_E_NOCONNECTION);
  CHECK(!point);
  CHECK_HR(buttonPoints->FindConnectionPoint(IID_IDispatch, point.put()), CONNECT_E_NOCONNECTION);
  ComPtr<IConnectionPoint> first;
  CHECK_HR(buttonPoints->FindConnectionPoint(wine_host::kIidCommandBarButtonEvents, first.put()), S_OK);

  // A sink that does not say it implements the events interface is refused.
  auto deaf = EventSink::create(wine_host::kIidCommandBarButtonEvents, false);
  DWORD cookie = 7;
  CHECK_HR(first->Advise(deaf.get(), &cookie), CONNECT_E_CANNOTCONNECT);
  CHECK(cookie == 0);
  CHECK(referencesOf(deaf.get()) == 1);

  // Word's application events under all three IIDs; none of Excel's.
  ComPtr<IConnectionPointContainer> wordPoints;
  CHECK_HR(wordApp->QueryInterface(IID_IConnectionPointContainer, wordPoints.putVoid()), S_OK);
  for (const IID* iid : {&wine_host::kIidWordApplicationEvents2, &wine_host::kIidWordApplicationEvents3,
                         &wine_host::kIidWordApplicationEvents4}) {
    ComPtr<IConnectionPoint> found;
    CHECK_HR(wordPoints->FindConnectionPoint(*iid, found.put()), S_OK);
  }
  ComPtr<IConnectionPoint> excel;
  CHECK_HR(wordPoints->FindConnectionPoint(wine_host::kIidExcelAppEvents, excel.put()), CONNECT_E_NOCONNECTION);
  // An object that raises no events at all.
  auto bars = getObject(wordApp.get(), L"CommandBars");
  ComPtr<IConnectionPointContainer> barsPoints;
  CHECK_HR(bars->QueryInterface(IID_IConnectionPointContainer, barsPoints.putVoid()), S_OK);
  ComPtr<IConnectionPoint> none;
  CHECK_HR(barsPoints->FindConnectionPoint(wine_host::kIidCommandBarButtonEvents, none.put()), CONNECT_E_NOCONNECTION);
}

void excelDoubleClickCancel(World& world) {
  auto app = world.start(sim::HostKind::Excel);
  app->newDocument();
  auto bridged = world.bridged(app->self());
  auto sink = EventSink::create(wine_host::kIidExcelAppEvents);
  sink->onEvent = setTrue(1559, 2);
  auto advised = advise(bridged.get(), wine_host::kIidExcelAppEvents, sink.get());
  if (FAILED(advised.hr)) return;

  const bool cancelled = app->doubleClickCell(L"B2");
  CHECK(cancelled);
  CHECK(app->editingCell().empty());
  CHECK(app->eventFailures().empty());
  CHECK(sink->received.size() == 2);
  if (sink->received.size() == 2) {
    const auto& selection = sink->received[0];
    CHECK(selection.dispid == 1558);
    CHECK(selection.types.size() == 2 && selection.types[0] == VT_DISPATCH && selection.types[1] == VT_DISPATCH);
    const auto& doubleClick = sink->received[1];
    CHECK(doubleClick.dispid == 1559);
    CHECK(doubleClick.types.size() == 3);
    if (doubleClick.types.size() == 3) {
      CHECK(doubleClick.types[0] == VT_DISPATCH);
      CHECK(doubleClick.types[1] == VT_DISPATCH);
      CHECK(doubleClick.types[2] == (VT_BYREF | VT_BOOL));
      CHECK(doubleClick.booleansBefore[2] == 0);
      // Sh is the active sheet; Target answers through IDispatch like any bridged object.
      auto sheet = getObject(bridged.get(), L"ActiveSheet");
      CHECK(doubleClick.objects[0].get() == sheet.get());
      if (doubleClick.objects[1]) CHECK_TEXT(get(doubleClick.objects[1].get(), L"Address")->text(), L"$B$2");
    }
  }
  sink->received.clear();
  CHECK_HR(advised.point->Unadvise(advised.cookie), S_OK);
  CHECK(!app->doubleClickCell(L"C3"));
  CHECK_TEXT(app->editingCell(), L"$C$3");
  CHECK(sink->received.empty());
}

struct Test {
  const char* name;
  void (*run)(World&);
};

// What oleaut32's standard dispatcher refuses for Office's type libraries, and for a vault server
// that types its members, refused with its HRESULT; the same calls made the right way go through.
void typedObjectsRefuseWhatTheStandardDispatcherRefuses(World& world) {
  sim::VaultService service([](const sim::VaultDefinition&) {}, [](const std::wstring&) { return false; });
  service.addVault({L"Demo", L'V', L"pw"});
  auto word = world.start(sim::HostKind::Word);
  word->newDocument();
  auto app = world.bridged(word->self());
  auto vault = world.bridged(service.createObject());
  auto dialogs = getObject(app.get(), L"Dialogs");
  auto bar = world.bridged(word->menuBar()->self());
  auto controls = getObject(bar.get(), L"Controls");
  auto dialog = getObject(dialogs.get(), L"", &Args().i4(80));
  Bstr drive(L"");
  VariantValue driveVariant;
  driveVariant.get().bstrVal = Bstr(L"").detach();
  driveVariant.get().vt = VT_BSTR;
  constexpr WORD kRead = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
  const auto none = [](Args&) {};
  const auto index = [](LONG value) { return [value](Args& args) { args.i4(value); }; };

  struct Case {
    const char* what;
    IDispatch* target;
    const wchar_t* member;
    WORD flags;
    std::function<void(Args&)> args;
    std::vector<std::wstring> names;
    HRESULT outcome;
  } cases[] = {
      {"an unknown name", app.get(), L"NoSuchMember", kRead, none, {}, DISP_E_UNKNOWNNAME},
      {"_Default, Excel's only", app.get(), L"_Default", kRead, none, {}, DISP_E_UNKNOWNNAME},
      {"PROPERTYGET alone on Dialogs.Item, a method", dialogs.get(), L"", DISPATCH_PROPERTYGET, index(80), {},
       DISP_E_MEMBERNOTFOUND},
      {"METHOD alone on a property", app.get(), L"Version", DISPATCH_METHOD, none, {}, DISP_E_MEMBERNOTFOUND},
      {"METHOD | PROPERTYGET on Dialogs.Item", dialogs.get(), L"", kRead, index(80), {}, S_OK},
      {"Dialogs.Item without its index", dialogs.get(), L"Item", kRead, none, {}, DISP_E_BADPARAMCOUNT},
      {"an argument too many", bar.get(), L"Delete", DISPATCH_METHOD, index(1), {}, DISP_E_BADPARAMCOUNT},
      {"an unknown named argument", controls.get(), L"Add", kRead, index(1), {L"Colour"}, DISP_E_UNKNOWNNAME},
      {"a named argument of the member", controls.get(), L"Add", kRead, index(1), {L"temporary"}, S_OK},
      {"a Word dialog's setting, resolved at run time", dialog.get(), L"Name", kRead, none, {}, S_OK},
      {"a Word dialog's typed member", dialog.get(), L"Type", kRead, none, {}, S_OK},
      {"VT_BYREF | VT_VARIANT for the vault's BSTR*", vault.get(), L"SelectAndLogin", kRead,
       [&](Args& args) { args.reference(VT_VARIANT, driveVariant.ptr()); }, {}, DISP_E_TYPEMISMATCH},
      {"VT_BYREF | VT_BSTR for the vault's BSTR*", vault.get(), L"SelectAndLogin", kRead,
       [&](Args& args) { args.reference(VT_BSTR, drive.inOut()); }, {}, S_OK},
  };
  for (auto& c : cases) {
    service.answerLogin(L"Demo", L"pw");
    Args args;
    c.args(args);
    auto outcome = call(c.target, c.member, c.flags, &args, c.names);
    wine_host::testing::harness.check(outcome->hr == c.outcome, c.what, __LINE__,
                                      L"got " + hex(outcome->hr) + L" " + outcome->description());
  }
  CHECK_TEXT(wine_host::textOf(drive.get()), L"V");
  CHECK_TEXT(wine_host::textOf(driveVariant.get().bstrVal), L"");

  // An English Excel under other regional settings takes 1033 and the neutral locale only, in
  // GetIDsOfNames and Invoke alike; the Office objects it hands out take any.
  auto excel = world.start(sim::HostKind::Excel);
  auto excelApp = world.bridged(excel->self());
  auto excelBars = getObject(excelApp.get(), L"CommandBars");
  std::wstring name = L"Name";
  LPOLESTR names[] = {name.data()};
  DISPPARAMS noArgs{nullptr, nullptr, 0, 0};
  for (const bool english : {true, false}) {
    world.bridge.setEnglishExcel(english);
    for (const LCID locale : {LCID{1031}, LCID{LOCALE_USER_DEFAULT}, LCID{1033}, LCID{LOCALE_NEUTRAL}}) {
      const HRESULT wanted = english && locale != 1033 && locale != LOCALE_NEUTRAL ? static_cast<HRESULT>(0x80028018u) : S_OK;
      DISPID id = DISPID_UNKNOWN;
      CHECK_HR(excelApp->GetIDsOfNames(IID_NULL, names, 1, locale, &id), wanted);
      VariantValue result;
      CHECK_HR(excelApp->Invoke(110, IID_NULL, locale, DISPATCH_PROPERTYGET, &noArgs, result.ptr(), nullptr, nullptr),
               wanted);
      VariantValue count;
      CHECK_HR(excelBars->Invoke(0x60030003, IID_NULL, locale, DISPATCH_PROPERTYGET, &noArgs, count.ptr(), nullptr,
                                 nullptr),
               S_OK);
    }
  }
}

const Test kTests[] = {
    {"The default member, the type library's DISPIDs, and the bridge's, stable and ignoring case",
     defaultMemberTypeLibraryAndDispids},
    {"Controls.Add with named and omitted arguments; property put and get", controlsAddWithNamedArguments},
    {"Errors become DISP_E_EXCEPTION with EXCEPINFO", errorsBecomeExceptionInfo},
    {"The same object has one COM identity", sameObjectSameIdentity},
    {"Arguments arrive in call order", argumentsArriveInCallOrder},
    {"A picture from outside", aPictureFromOutside},
    {"Click reaches an advised sink; a failing one is recorded by the host", clickReachesAdvisedSink},
    {"Connection points offer only their events", connectionPointsOfferOnlyTheirEvents},
    {"Excel SheetBeforeDoubleClick Cancel", excelDoubleClickCancel},
    {"Typed objects refuse what the standard dispatcher refuses", typedObjectsRefuseWhatTheStandardDispatcherRefuses},
};

}  // namespace

int main() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::printf("CoInitializeEx failed\n0 passed, 1 failed\n");
    return 1;
  }
  std::vector<wine_host::testing::TestCase> tests;
  for (const auto& test : kTests) {
    tests.push_back({test.name, [run = test.run] {
                       World world;
                       run(world);
                       // Every reference the test took is gone: no bridge and no subscription may be left.
                       CHECK(world.bridge.liveBridges() == 0);
                       CHECK(world.bridge.advisedConnections() == 0);
                     }});
  }
  const int result = wine_host::testing::runTests(tests);
  CoUninitialize();
  return result;
}
