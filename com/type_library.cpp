#include "com/type_library.h"

#include <map>
#include <mutex>

#include "com/module.h"

namespace com {

namespace {

struct GuidLess {
  bool operator()(const GUID& a, const GUID& b) const { return memcmp(&a, &b, sizeof(GUID)) < 0; }
};

}  // namespace

ITypeLib* moduleTypeLibrary() {
  static ITypeLib* library = [] {
    ITypeLib* loaded = nullptr;
    if (FAILED(LoadTypeLibEx(modulePath().c_str(), REGKIND_NONE, &loaded))) loaded = nullptr;
    return loaded;
  }();
  return library;
}

ITypeInfo* interfaceTypeInfo(REFIID interfaceId) {
  // Apartment-threaded objects of several apartments ask at the same time; the type information
  // itself is free-threaded.
  static std::mutex lock;
  static std::map<GUID, ITypeInfo*, GuidLess> cache;
  const std::lock_guard<std::mutex> held(lock);
  auto found = cache.find(interfaceId);
  if (found != cache.end()) return found->second;
  ITypeLib* library = moduleTypeLibrary();
  if (!library) return nullptr;
  ITypeInfo* info = nullptr;
  if (FAILED(library->GetTypeInfoOfGuid(interfaceId, &info)) || !info) return nullptr;
  // A dual interface is found as its dispinterface; calls are served through its vtable half.
  TYPEATTR* attributes = nullptr;
  if (SUCCEEDED(info->GetTypeAttr(&attributes)) && attributes) {
    const bool dispatchHalf = attributes->typekind == TKIND_DISPATCH && (attributes->wTypeFlags & TYPEFLAG_FDUAL);
    info->ReleaseTypeAttr(attributes);
    if (dispatchHalf) {
      HREFTYPE reference = 0;
      ITypeInfo* vtableHalf = nullptr;
      if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference)) &&
          SUCCEEDED(info->GetRefTypeInfo(reference, &vtableHalf)) && vtableHalf) {
        info->Release();
        info = vtableHalf;
      }
    }
  }
  cache[interfaceId] = info;
  return info;
}

}  // namespace com
