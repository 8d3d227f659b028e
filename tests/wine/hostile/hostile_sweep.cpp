// The hostile-caller sweep: every member of every class and face of the registered DLL (and the
// event sinks it hands out) called with generated hostile VARIANTs and DISPPARAMS, from two
// apartments at once. Each case is made from the seed and its index alone, so a failure printed as
// "seed S case N" comes back with `hostile_sweep <dll> S N 1`. Asserts: no crash, a failure HRESULT
// for every call that is invalid by construction, DISP_E_EXCEPTION only with its EXCEPINFO, a
// valid result VARIANT, every object passed in released, and the classes answering afterwards.
// Usage: hostile_sweep <LockfolioAddIn.dll> [seed [first-case cases]]

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <ocidl.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sim/com/message_box_capture.h"

namespace {

std::atomic<long> g_failures{0};
std::atomic<long long> g_calls{0};
std::uint64_t g_seed = 1;
thread_local long t_case = -1;

void fail(const char* what, long detail = 0) {
  if (++g_failures <= 40) std::printf("FAIL seed %llu case %ld: %s (%08lX)\n", g_seed, t_case, what, detail);
}

struct Random {  // splitmix64: a case's numbers depend on the seed and the case's index only
  std::uint64_t state;
  std::uint64_t next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  unsigned below(std::size_t n) { return static_cast<unsigned>(next() % n); }
  bool chance(unsigned percent) { return below(100) < percent; }
  template <typename T, std::size_t N>
  T pick(const T (&table)[N]) { return table[below(N)]; }
};

// ------------------------------------------------------------------------------------------------
// The objects a hostile caller passes: each fails or misbehaves in its own way. They are never
// deleted before their batch ends, so an extra Release shows as a count below one, not a crash.

enum Behaviour { kPlain, kFailQueries, kFailInvoke, kCallBack, kChangeVariable, kLyingRelease, kSelf, kBehaviours };
struct Apartment;
void callBack(Apartment& apartment, std::uint64_t seed);

class Hostile final : public IDispatch, public IConnectionPointContainer, public IConnectionPoint {
 public:
  Hostile(Apartment& apartment, Behaviour behaviour, std::uint64_t seed)
      : apartment_(apartment), behaviour_(behaviour), seed_(seed) {}
  long count() const { return references_; }
  VARIANT* variable = nullptr;  // what kChangeVariable turns into a string while it is called

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown)) *out = static_cast<IDispatch*>(this);
    if (behaviour_ == kFailQueries && !*out) return E_NOINTERFACE;
    if (IsEqualIID(riid, IID_IDispatch)) *out = static_cast<IDispatch*>(this);
    if (IsEqualIID(riid, IID_IConnectionPointContainer)) *out = static_cast<IConnectionPointContainer*>(this);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const long left = --references_;
    if (left < 1) fail("an object passed in was released once too often", left);
    return behaviour_ == kLyingRelease ? 0 : static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return count ? (*count = 0, S_OK) : E_POINTER; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) override {
    for (UINT i = 0; ids && i < count; ++i) ids[i] = static_cast<DISPID>(i + 1);
    return behaviour_ == kFailQueries ? DISP_E_UNKNOWNNAME : S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO* exception,
                                   UINT*) override;
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID, IConnectionPoint** point) override {
    if (!point) return E_POINTER;
    *point = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

 private:
  Apartment& apartment_;
  Behaviour behaviour_;
  std::uint64_t seed_;
  std::atomic<long> references_{1};  // the batch's own
  int depth_ = 0;
};

struct Member {
  DISPID id;
  WORD kinds;
  short parameters;
};
struct Target {
  IDispatch* object;
  std::vector<Member> members;
};

// Frees what a VARIANT of ours holds: an array by its own descriptor, whatever the VARIANT claims.
void clear(VARIANT& value) {
  if ((value.vt & (VT_ARRAY | VT_BYREF)) == VT_ARRAY && value.parray) SafeArrayDestroy(value.parray);
  if ((value.vt & (VT_ARRAY | VT_BYREF)) == VT_ARRAY) value.vt = VT_EMPTY;
  VariantClear(&value);
}

// One apartment's targets and what its cases made.
struct Apartment {
  std::vector<Target> targets;
  std::vector<IDispatch*> sinks;  // what the add-in advised on our connection points
  std::vector<std::unique_ptr<Hostile>> objects;
  std::vector<std::pair<VARTYPE, std::unique_ptr<VARIANT>>> slots;  // what by-reference values point at
  bool closing = false;
  BSTR huge = nullptr;  // 1 MB

  Hostile* object(Behaviour behaviour, std::uint64_t seed) {
    objects.push_back(std::make_unique<Hostile>(*this, behaviour, seed));
    return objects.back().get();
  }
  void clearSlots() {  // each slot owns what it holds now, whatever the callee put there
    for (auto& [type, slot] : slots) {
      if (type == VT_VARIANT) clear(*slot);
      if (type == VT_BSTR) SysFreeString(slot->bstrVal);
      if ((type == VT_DISPATCH || type == VT_UNKNOWN) && slot->punkVal) slot->punkVal->Release();
      if ((type & VT_ARRAY) && slot->parray) SafeArrayDestroy(slot->parray);
    }
    slots.clear();
  }
};

HRESULT Hostile::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO* exception, UINT*) {
  if (result) VariantInit(result);
  switch (behaviour_) {
    case kFailInvoke:
      if (!exception) return E_FAIL;
      *exception = EXCEPINFO{};
      exception->scode = E_ACCESSDENIED;
      exception->bstrDescription = SysAllocString(L"hostile");
      return DISP_E_EXCEPTION;
    case kCallBack:
      if (depth_ < 2 && !apartment_.closing) {
        ++depth_;
        callBack(apartment_, seed_ + static_cast<std::uint64_t>(depth_));
        --depth_;
      }
      return S_OK;
    case kChangeVariable:
      if (variable) {
        VariantClear(variable);
        variable->vt = VT_BSTR;
        variable->bstrVal = SysAllocString(L"changed");
      }
      if (result) result->vt = VT_I2;  // 0
      return S_OK;
    case kSelf:
      if (result) {
        result->vt = VT_DISPATCH;
        result->pdispVal = this;
        AddRef();
      }
      return S_OK;
    default:
      if (result) {
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString(L"C:\\hostile\\a.doc");
      }
      return S_OK;
  }
}

HRESULT Hostile::Advise(IUnknown* sink, DWORD* cookie) {
  IDispatch* dispatch = nullptr;
  if (!sink || !cookie || FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
    return E_POINTER;
  }
  apartment_.sinks.push_back(dispatch);
  *cookie = static_cast<DWORD>(apartment_.sinks.size());
  return S_OK;
}

HRESULT Hostile::Unadvise(DWORD cookie) {
  if (cookie == 0 || cookie > apartment_.sinks.size() || !apartment_.sinks[cookie - 1]) return OLE_E_NOCONNECTION;
  apartment_.sinks[cookie - 1]->Release();
  apartment_.sinks[cookie - 1] = nullptr;
  return S_OK;
}

// ------------------------------------------------------------------------------------------------
// The generator: one table-driven loop over types, forms and sizes.

const VARTYPE kTypes[] = {VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R4, VT_R8, VT_CY, VT_DATE, VT_BSTR, VT_DISPATCH, VT_ERROR,
                          VT_BOOL, VT_VARIANT, VT_UNKNOWN, VT_DECIMAL, VT_I1, VT_UI1, VT_UI2, VT_UI4, VT_I8, VT_UI8,
                          VT_INT, VT_UINT, VT_VOID, VT_HRESULT, VT_PTR, VT_SAFEARRAY, VT_CARRAY, VT_USERDEFINED,
                          VT_LPSTR, VT_LPWSTR, VT_RECORD, VT_INT_PTR, VT_UINT_PTR, VT_FILETIME, VT_BLOB, VT_CLSID,
                          15, 0x7F, 0xFFF};
const VARTYPE kElementTypes[] = {VT_I2, VT_I4, VT_R8, VT_BSTR, VT_VARIANT, VT_DISPATCH, VT_UNKNOWN, VT_DECIMAL,
                                 VT_UI1, VT_BOOL, VT_ERROR, VT_CY, VT_DATE, VT_I8, VT_I1, VT_R4};
const wchar_t* const kTexts[] = {L"", L"C:\\hostile\\", L"C:\\hostile", L"\\\\.\\pipe\\hostile", L"\\\\.\\PhysicalDrive0",
                                 L"CON", L"C:\\hostile\\NUL.txt", L"vfn1", L"-1", L"32768", L"1e308", L"Microsoft.Word.Document"};

BSTR text(Random& random, Apartment& apartment) {
  switch (random.below(20)) {
    case 0: return nullptr;
    case 1: return SysAllocStringLen(L"a\0b\0C:\\x", 8);  // embedded NULs
    case 2: return SysAllocStringLen(apartment.huge, SysStringLen(apartment.huge));
    default: return SysAllocString(random.pick(kTexts));
  }
}

IUnknown* hostileObject(Random& random, Apartment& apartment) {
  if (random.chance(15)) return nullptr;
  IDispatch* object = apartment.object(static_cast<Behaviour>(random.below(kBehaviours)), random.next());
  object->AddRef();  // the VARIANT's own reference
  return object;
}

void make(Random& random, Apartment& apartment, VARIANT& value, int depth);

// A value of `type` for a slot or a VARIANT: real strings and objects where pointers belong (or
// null), random bits elsewhere.
void fill(Random& random, Apartment& apartment, VARIANT& value, VARTYPE type, int depth) {
  VariantInit(&value);
  if (type == VT_BSTR) {
    value.bstrVal = text(random, apartment);
  } else if (type == VT_DISPATCH || type == VT_UNKNOWN) {
    value.punkVal = hostileObject(random, apartment);
  } else if (type == VT_VARIANT) {
    make(random, apartment, value, depth + 1);
    return;
  } else if (type == VT_DECIMAL) {
    value.decVal.Lo64 = random.next();
    value.decVal.scale = static_cast<BYTE>(random.below(40));
  } else if (type != VT_PTR && type != VT_LPSTR && type != VT_LPWSTR && type != VT_RECORD && type != VT_BLOB &&
             type != VT_CLSID && type != VT_SAFEARRAY && type != VT_CARRAY && type != VT_USERDEFINED) {
    value.llVal = static_cast<LONGLONG>(random.next() >> random.below(64));
  }
  value.vt = type;
}

// An array whose own element type may contradict what the VARIANT claims; also two dimensions,
// none at all, and an element size of its own without a type.
SAFEARRAY* array(Random& random, Apartment& apartment, VARTYPE own, int depth) {
  switch (random.below(12)) {
    case 0: return nullptr;
    case 1: {
      SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 1}};
      return SafeArrayCreate(own, 2, bounds);
    }
    case 2: {
      SAFEARRAY* custom = nullptr;
      if (FAILED(SafeArrayAllocDescriptor(1, &custom))) return nullptr;
      custom->cbElements = 40;
      custom->rgsabound[0] = {3, 0};
      if (FAILED(SafeArrayAllocData(custom))) SafeArrayDestroyDescriptor(custom), custom = nullptr;
      return custom;
    }
    default: break;
  }
  SAFEARRAY* made = SafeArrayCreateVector(own, static_cast<LONG>(random.below(3)) - 1, random.below(4));
  for (LONG index = made ? made->rgsabound[0].lLbound : 0; made && index < made->rgsabound[0].lLbound + static_cast<LONG>(made->rgsabound[0].cElements); ++index) {
    VARIANT element;
    fill(random, apartment, element, own, depth);
    void* place = own == VT_VARIANT ? static_cast<void*>(&element)
                  : own == VT_BSTR || own == VT_DISPATCH || own == VT_UNKNOWN ? element.byref
                  : own == VT_DECIMAL ? static_cast<void*>(&element.decVal) : static_cast<void*>(&element.llVal);
    SafeArrayPutElement(made, &index, place);  // copies
    clear(element);
  }
  return made;
}

void make(Random& random, Apartment& apartment, VARIANT& value, int depth) {
  VariantInit(&value);
  const VARTYPE type = random.pick(kTypes);
  unsigned form = random.below(12);
  if (depth > 30 && form > 5) form = 0;
  switch (form) {
    case 6: case 7: {  // by reference, to a slot of the type (a chain through Variants, a loop, or nothing)
      auto slot = std::make_unique<VARIANT>();
      fill(random, apartment, *slot, type, depth);
      value.vt = static_cast<VARTYPE>(VT_BYREF | type);
      value.byref = type == VT_VARIANT ? static_cast<void*>(slot.get()) : type == VT_DECIMAL ? static_cast<void*>(&slot->decVal) : &slot->llVal;
      if (random.chance(5)) value.byref = nullptr;
      if (type == VT_VARIANT && random.chance(3)) slot->vt = VT_BYREF | VT_VARIANT, slot->pvarVal = slot.get();
      apartment.slots.emplace_back(type, std::move(slot));
      return;
    }
    case 8: case 9: {  // an array, by value or by reference, claiming one element type or another
      const VARTYPE own = random.pick(kElementTypes);
      const VARTYPE claimed = random.chance(50) ? own : type;
      SAFEARRAY* made = array(random, apartment, own, depth);
      value.vt = static_cast<VARTYPE>(VT_ARRAY | claimed);
      value.parray = made;
      if (form == 9) {
        auto slot = std::make_unique<VARIANT>();
        slot->parray = made;
        value.vt |= VT_BYREF;
        value.pparray = &slot->parray;
        apartment.slots.emplace_back(static_cast<VARTYPE>(VT_ARRAY | own), std::move(slot));
      }
      return;
    }
    case 10: case 11: {  // nested past every limit: arrays of arrays, or references to references
      const int levels = 1 + static_cast<int>(random.below(40));
      VARIANT inner;
      fill(random, apartment, inner, VT_I4, depth);
      for (int level = 0; level < levels; ++level) {
        auto slot = std::make_unique<VARIANT>(inner);
        if (form == 10) {
          SAFEARRAY* made = SafeArrayCreateVector(VT_VARIANT, 0, 1);
          LONG zero = 0;
          SafeArrayPutElement(made, &zero, &inner);
          clear(inner);
          inner.vt = VT_ARRAY | VT_VARIANT;
          inner.parray = made;
        } else {
          inner.vt = VT_BYREF | VT_VARIANT;
          inner.pvarVal = slot.get();
          apartment.slots.emplace_back(VT_VARIANT, std::move(slot));
        }
      }
      value = inner;
      return;
    }
    default:
      fill(random, apartment, value, type, depth);
  }
}

// ------------------------------------------------------------------------------------------------
// One case: a target, a member (or none), flags, arguments, named arguments, null pointers.

void runCase(Apartment& apartment, std::uint64_t seed, bool nested = false) {
  Random random{seed};
  if (apartment.targets.empty()) return;
  const Target& target = apartment.targets[random.below(apartment.targets.size())];
  if (random.chance(4)) {  // names: none, a null one, unknown ones
    OLECHAR name[] = L"NextFolder";
    LPOLESTR names[2] = {name, random.chance(50) ? nullptr : name};
    DISPID ids[2];
    const bool invalid = names[1] == nullptr || random.chance(30);
    const HRESULT hr = target.object->GetIDsOfNames(IID_NULL, invalid && names[1] ? nullptr : names, 2, 0,
                                                    random.chance(20) && invalid ? nullptr : ids);
    if (invalid && SUCCEEDED(hr)) fail("GetIDsOfNames took a null pointer", hr);
    ++g_calls;
    return;
  }
  Member member = target.members.empty() || random.chance(5)
                      ? Member{static_cast<DISPID>(random.below(40)) - 5, DISPATCH_METHOD, 1}
                      : target.members[random.below(target.members.size())];
  const WORD kFlags[] = {0, DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT, DISPATCH_PROPERTYPUTREF,
                         DISPATCH_METHOD | DISPATCH_PROPERTYGET, 0xFFFF};
  const WORD flags = random.chance(70) ? member.kinds : random.pick(kFlags);
  VARIANT arguments[6];
  const UINT count = random.chance(60) ? static_cast<UINT>(member.parameters) : random.below(6);
  for (UINT k = 0; k < count; ++k) make(random, apartment, arguments[k], 0);
  // An object that changes the caller's variable while it is read, as a script's default property may.
  std::vector<Hostile*> changers;
  for (UINT k = 0; k + 1 < count; ++k) {
    if (arguments[k + 1].vt != VT_DISPATCH || arguments[k].vt != (VT_BYREF | VT_VARIANT) || !arguments[k].pvarVal) continue;
    if (auto* object = static_cast<Hostile*>(arguments[k + 1].pdispVal)) changers.push_back(object);
    if (!changers.empty()) changers.back()->variable = arguments[k].pvarVal;
  }
  DISPID named[8] = {DISPID_PROPERTYPUT};
  UINT namedCount = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && count && random.chance(70) ? 1 : 0;
  if (random.chance(20)) namedCount = random.below(count + 2);
  for (UINT k = namedCount == 1 ? 1 : 0; k < namedCount; ++k) named[k] = static_cast<DISPID>(random.below(6)) - 2;
  DISPPARAMS parameters{arguments, named, count, namedCount};
  bool invalid = namedCount > count;
  if (random.chance(3)) parameters.rgvarg = nullptr, invalid |= count > 0;
  if (random.chance(3)) parameters.rgdispidNamedArgs = nullptr, invalid |= namedCount > 0;
  DISPPARAMS* given = &parameters;
  if (random.chance(2)) given = nullptr, invalid = true;
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO exception{};
  UINT argumentError = 0;
  const bool wantsException = random.chance(80);
  const HRESULT hr = target.object->Invoke(member.id, IID_NULL, 0, flags, given, random.chance(80) ? &result : nullptr,
                                           wantsException ? &exception : nullptr, &argumentError);
  ++g_calls;
  for (Hostile* object : changers) object->variable = nullptr;
  if (invalid && SUCCEEDED(hr)) fail("an invalid call succeeded", hr);
  if (SUCCEEDED(hr) && hr != S_OK) fail("a success other than S_OK", hr);
  if (hr == DISP_E_EXCEPTION && wantsException && exception.scode == 0 && exception.wCode == 0) {
    fail("DISP_E_EXCEPTION with an empty EXCEPINFO", hr);
  }
  if (FAILED(VariantClear(&result))) fail("the result is no valid VARIANT", result.vt);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  for (UINT k = 0; k < count; ++k) {
    if (!(arguments[k].vt & VT_BYREF)) clear(arguments[k]);  // a reference's slot is cleared with the slots
  }
  if (!nested) apartment.clearSlots();
}

void callBack(Apartment& apartment, std::uint64_t seed) { runCase(apartment, seed, true); }

// ------------------------------------------------------------------------------------------------
// The targets: the five classes, Connect's two other faces, and the sinks the add-in advises.

const wchar_t* const kProgIds[] = {L"LockfolioAddIn.Connect", L"LockfolioAddIn.ClassAddIn", L"LockfolioAddIn.clsResStr",
                                   L"LockfolioAddIn.Restrictions", L"LockfolioAddIn.clsSessionFolder"};
const IID kExtensibility = {0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};
const IID kRibbon = {0x000C0396, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

IDispatch* create(const wchar_t* progId) {
  CLSID classId{};
  IDispatch* object = nullptr;
  if (FAILED(CLSIDFromProgID(progId, &classId)) ||
      FAILED(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object)))) {
    return nullptr;
  }
  return object;
}

std::vector<Member> membersOf(IDispatch* object) {
  std::vector<Member> members;
  ITypeInfo* info = nullptr;
  TYPEATTR* attributes = nullptr;
  if (FAILED(object->GetTypeInfo(0, 0, &info)) || !info) return members;
  if (SUCCEEDED(info->GetTypeAttr(&attributes))) {
    for (UINT i = 0; i < attributes->cFuncs; ++i) {
      FUNCDESC* function = nullptr;
      if (FAILED(info->GetFuncDesc(i, &function))) continue;
      if (function->memid >= 0 && function->memid < 0x60000000) {
        const bool returns = function->cParams > 0 && (function->lprgelemdescParam[function->cParams - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL);
        members.push_back({function->memid, static_cast<WORD>(function->invkind), static_cast<short>(function->cParams - (returns ? 1 : 0))});
      }
      info->ReleaseFuncDesc(function);
    }
    info->ReleaseTypeAttr(attributes);
  }
  info->Release();
  return members;
}

bool openTargets(Apartment& apartment) {
  for (const wchar_t* progId : kProgIds) {
    IDispatch* object = create(progId);
    if (!object) return false;
    apartment.targets.push_back({object, membersOf(object)});
    if (apartment.targets.size() != 1) continue;
    for (const auto& [face, members] : {std::pair<IID, std::vector<Member>>{kExtensibility, {{1, 1, 3}, {2, 1, 2}, {3, 1, 1}, {4, 1, 1}, {5, 1, 1}}},
                                        std::pair<IID, std::vector<Member>>{kRibbon, {{1, 1, 1}}}}) {
      IDispatch* faced = nullptr;
      if (FAILED(object->QueryInterface(face, reinterpret_cast<void**>(&faced)))) return false;
      apartment.targets.push_back({faced, members});
    }
  }
  return true;
}

// Releases the targets, then checks that every object passed in has its one reference back.
void closeTargets(Apartment& apartment) {
  apartment.closing = true;
  for (Target& target : apartment.targets) target.object->Release();
  apartment.targets.clear();
  for (IDispatch*& sink : apartment.sinks) {
    if (sink) sink->Release();  // a sink the add-in never unadvised
    if (sink) fail("an event connection was left advised");
    sink = nullptr;
  }
  apartment.sinks.clear();
  for (const auto& object : apartment.objects) {
    if (object->count() != 1) fail("an object passed in kept a reference", object->count());
  }
  apartment.objects.clear();
  apartment.closing = false;
}

// Cases first..first+count-1 of every `stride`-th index from `offset`, in batches of fresh targets.
void sweep(long first, long count, int offset, int stride) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return fail("CoInitializeEx");
  {
    wine_host::MessageBoxCapture boxes;
    Apartment apartment;
    apartment.huge = SysAllocStringLen(nullptr, 512 * 1024);  // 1 MB of text
    for (UINT i = 0; i < SysStringLen(apartment.huge); ++i) apartment.huge[i] = i % 7 ? L'x' : L'\\';
    std::size_t added = 0;  // sinks that became targets
    for (long index = first + offset; index < first + count;) {
      if (!openTargets(apartment)) {
        fail("a class could not be created");
        break;
      }
      for (int done = 0; done < 500 && index < first + count; ++done, index += stride) {
        t_case = index;
        runCase(apartment, g_seed * 0x100000001B3ull + static_cast<std::uint64_t>(index));
        // Sinks are targets too, once advised.
        for (; added < apartment.sinks.size(); ++added) {
          IDispatch* sink = apartment.sinks[added];
          if (!sink || apartment.targets.size() >= 24) continue;
          sink->AddRef();
          apartment.targets.push_back({sink, {{1, 1, 1}, {2, 1, 2}, {3, 1, 1}, {4, 1, 2}, {6, 1, 3}}});
        }
      }
      boxes.clear();
      closeTargets(apartment);
      added = 0;
    }
    SysFreeString(apartment.huge);
  }
  CoUninitialize();
}

// ------------------------------------------------------------------------------------------------
// Cases that once failed, each as a row: the member, its arguments (reversed, as rgvarg holds
// them), and what must hold afterwards.

HRESULT call(IDispatch* object, const wchar_t* member, std::vector<VARIANT> arguments, DISPID byId = DISPID_UNKNOWN) {
  OLECHAR name[64];
  wcsncpy(name, member, 63);
  name[63] = 0;
  LPOLESTR names[] = {name};
  if (byId == DISPID_UNKNOWN && FAILED(object->GetIDsOfNames(IID_NULL, names, 1, 0, &byId))) return E_UNEXPECTED;
  DISPPARAMS parameters{arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
  VARIANT result;
  VariantInit(&result);
  const HRESULT hr = object->Invoke(byId, IID_NULL, 0, DISPATCH_METHOD, &parameters, &result, nullptr, nullptr);
  VariantClear(&result);
  return hr;
}

VARIANT of(VARTYPE type, void* pointer) {
  VARIANT value;
  VariantInit(&value);
  value.vt = type;
  value.byref = pointer;
  return value;
}

// An IUnknown at an address whose low 16 bits are VT_UNKNOWN: a stack filled with its address
// reads, at any alignment, as VARIANTs that hold it, and each Release of it is counted.
std::atomic<int> g_trapReleases{0};
HRESULT STDMETHODCALLTYPE trapQuery(void*, REFIID, void**) { return E_NOINTERFACE; }
ULONG STDMETHODCALLTYPE trapAddRef(void*) { return 2; }
ULONG STDMETHODCALLTYPE trapRelease(void*) { return ++g_trapReleases, 1; }
void* const kTrapTable[] = {reinterpret_cast<void*>(trapQuery), reinterpret_cast<void*>(trapAddRef),
                            reinterpret_cast<void*>(trapRelease)};
std::uintptr_t trap() {
  static BYTE* block = static_cast<BYTE*>(VirtualAlloc(nullptr, 1 << 16, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  const void* table = kTrapTable;
  std::memcpy(block + VT_UNKNOWN, &table, sizeof table);
  return reinterpret_cast<std::uintptr_t>(block + VT_UNKNOWN);
}
// Leaves the trap where the next call's uninitialised locals will be.
__attribute__((noinline)) void primeStack() {
  volatile std::uintptr_t garbage[512];
  for (auto& each : garbage) each = trap();
}

struct Row {
  const char* name;
  const wchar_t* progId;
  bool (*run)(IDispatch* object, Apartment& apartment);
};

const Row kRows[] = {
    {"an array of Variants claimed as one of I4 is refused", L"LockfolioAddIn.clsSessionFolder",
     [](IDispatch* object, Apartment&) {
       SHORT category = 1;
       VARIANT counter;
       counter.vt = VT_ARRAY | VT_I4;
       counter.parray = SafeArrayCreateVector(VT_VARIANT, 0, 2);
       const HRESULT hr = call(object, L"NextFilename", {of(VT_BYREF | VT_VARIANT, &counter), of(VT_BYREF | VT_I2, &category)});
       counter.vt = VT_ARRAY | VT_VARIANT;
       return FAILED(hr) && SUCCEEDED(VariantClear(&counter));
     }},
    {"arrays nested 100000 deep are refused without exhausting the stack", L"LockfolioAddIn.clsSessionFolder",
     [](IDispatch* object, Apartment&) {
       std::vector<SAFEARRAY*> arrays(100000);
       VARIANT inner;
       VariantInit(&inner);
       for (auto& made : arrays) {  // each array's one element is the array made before it
         made = SafeArrayCreateVector(VT_VARIANT, 0, 1);
         static_cast<VARIANT*>(made->pvData)[0] = inner;
         inner.vt = VT_ARRAY | VT_VARIANT;
         inner.parray = made;
       }
       SHORT category = 1;
       const HRESULT hr = call(object, L"NextFilename", {of(VT_BYREF | VT_VARIANT, &inner), of(VT_BYREF | VT_I2, &category)});
       for (SAFEARRAY* made : arrays) static_cast<VARIANT*>(made->pvData)[0].vt = VT_EMPTY, SafeArrayDestroy(made);
       return FAILED(hr);
     }},
    {"OnConnection with one argument clears no variant it never set", L"LockfolioAddIn.Connect",
     [](IDispatch* object, Apartment&) {
       IDispatch* face = nullptr;
       if (FAILED(object->QueryInterface(kExtensibility, reinterpret_cast<void**>(&face)))) return false;
       VARIANT application = of(VT_DISPATCH, nullptr);
       DISPPARAMS parameters{&application, nullptr, 1, 0};
       g_trapReleases = 0;
       primeStack();
       const HRESULT hr = face->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
       face->Release();
       return FAILED(hr) && g_trapReleases == 0;
     }},
    {"a write-back takes the type the variable has after the call", L"LockfolioAddIn.clsSessionFolder",
     [](IDispatch* object, Apartment& apartment) {
       VARIANT counter;
       counter.vt = VT_I2;
       counter.iVal = 0;
       Hostile* changer = apartment.object(kChangeVariable, 0);
       changer->variable = &counter;
       BSTR base = SysAllocString(L"C:\\hostile\\");
       const HRESULT hr = call(object, L"NextFolder", {of(VT_BYREF | VT_VARIANT, &counter), of(VT_DISPATCH, static_cast<IDispatch*>(changer)), of(VT_BSTR, base)});
       changer->variable = nullptr;
       SysFreeString(base);
       const bool kept = counter.vt == VT_BSTR && std::wstring(counter.bstrVal) == L"1";
       return SUCCEEDED(hr) && kept && SUCCEEDED(VariantClear(&counter));
     }},
    {"null pointers are answered, not read", L"LockfolioAddIn.clsSessionFolder",
     [](IDispatch* object, Apartment&) {
       LPOLESTR names[] = {nullptr};
       DISPID id = 0;
       VARIANT argument = of(VT_BYREF | VT_I4, nullptr);
       DISPPARAMS none{nullptr, nullptr, 1, 0}, unnamed{&argument, nullptr, 1, 1};
       bool answered = object->GetIDsOfNames(IID_NULL, names, 1, 0, &id) == E_INVALIDARG &&
                       object->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr) == E_INVALIDARG &&
                       object->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr) == E_INVALIDARG &&
                       object->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &unnamed, nullptr, nullptr, nullptr) == E_INVALIDARG;
       SHORT category = 1;
       BSTR base = SysAllocString(L"C:\\hostile\\");
       answered &= call(object, L"NextFolder", {argument, of(VT_BYREF | VT_I2, &category), of(VT_BSTR, base)}) ==
                    DISP_E_TYPEMISMATCH;
       SysFreeString(base);
       return answered;
     }},
};

void regressions(int& passed) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    Apartment apartment;
    for (const Row& row : kRows) {
      IDispatch* object = create(row.progId);
      const bool held = object && row.run(object, apartment);
      if (object) object->Release();
      if (held) ++passed;
      std::printf("%s %s\n", held ? "ok  " : "FAILED", row.name);
      if (!held) ++g_failures;
    }
    for (const auto& object : apartment.objects) {
      if (object->count() != 1) fail("a row's object kept a reference", object->count());
    }
  }
  CoUninitialize();
}

// The classes answer as before once the sweep is over.
void stillAnswering() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IDispatch* folder = create(L"LockfolioAddIn.clsSessionFolder");
  DISPID id = 0;
  OLECHAR name[] = L"NextFilename";
  LPOLESTR names[] = {name};
  SHORT category = 1;
  VARIANT counter, arguments[2], result;
  VariantInit(&counter);
  VariantInit(&result);
  arguments[1].vt = VT_BYREF | VT_I2, arguments[1].piVal = &category;
  arguments[0].vt = VT_BYREF | VT_VARIANT, arguments[0].pvarVal = &counter;
  DISPPARAMS parameters{arguments, nullptr, 2, 0};
  const bool answered = folder && SUCCEEDED(folder->GetIDsOfNames(IID_NULL, names, 1, 0, &id)) &&
                        SUCCEEDED(folder->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &parameters, &result, nullptr, nullptr)) &&
                        result.vt == VT_BSTR && std::wstring(result.bstrVal) == L"vfin10001" && counter.vt == VT_I2 &&
                        counter.iVal == 1;
  if (!answered) fail("clsSessionFolder no longer answers NextFilename");
  VariantClear(&result);
  if (folder) folder->Release();
  for (const wchar_t* progId : kProgIds) {
    IDispatch* object = create(progId);
    if (!object) fail("a class can no longer be created");
    if (object) object->Release();
  }
  CoUninitialize();
}

LONG WINAPI crashed(EXCEPTION_POINTERS* exception) {
  std::printf("CRASH seed %llu case %ld: exception %08lX\n", g_seed, t_case,
              static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode));
  std::fflush(stdout);
  std::_Exit(3);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return std::printf("usage: hostile_sweep <dll> [seed [first cases]]\n0 passed, 1 failed\n"), 2;
  g_seed = argc > 2 ? std::wcstoull(argv[2], nullptr, 10) : 20261207;
  const long first = argc > 3 ? std::wcstol(argv[3], nullptr, 10) : 0;
  const long cases = argc > 4 ? std::wcstol(argv[4], nullptr, 10) : 200000;
  SetUnhandledExceptionFilter(crashed);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HMODULE module = LoadLibraryW(argv[1]);
  using Entry = HRESULT(STDAPICALLTYPE*)();
  const auto entry = [&](const char* name) { return module ? reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr; };
  if (!entry("DllRegisterServer") || FAILED(entry("DllRegisterServer")())) {
    return std::printf("cannot register %ls\n0 passed, 1 failed\n", argv[1]), 1;
  }
  CreateDirectoryW(L"C:\\hostile", nullptr);
  int passed = 0;
  regressions(passed);
  std::printf("seed %llu, cases %ld to %ld, two apartments\n", g_seed, first, first + cases - 1);
  const auto start = std::chrono::steady_clock::now();
  std::thread other(sweep, first, cases, 1, 2);
  sweep(first, cases, 0, 2);
  other.join();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  stillAnswering();
  if (entry("DllCanUnloadNow") && entry("DllCanUnloadNow")() != S_OK) fail("objects of the add-in are still alive");
  entry("DllUnregisterServer")();
  std::printf("%lld calls in %.1f s\n", g_calls.load(), seconds);
  const long failures = g_failures.load();
  std::printf("%ld passed, %ld failed\n", passed + (failures ? 0L : 1L), failures);
  CoUninitialize();
  return failures ? 1 : 0;
}
