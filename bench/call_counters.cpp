#include "bench/call_counters.h"

#include <cstring>

namespace bench {
namespace {

long registryCalls = 0;

// Writes a pointer into read-only memory (an import table) and gives back what was there.
void* exchange(void** slot, void* replacement) {
  DWORD protection = 0;
  if (!VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &protection)) return nullptr;
  void* original = *slot;
  *slot = replacement;
  DWORD unused = 0;
  VirtualProtect(slot, sizeof(void*), protection, &unused);
  FlushInstructionCache(GetCurrentProcess(), slot, sizeof(void*));
  return original;
}

// --- The registry functions the DLL imports, each with its own counting entry.

template <typename Function>
struct Counted;
template <typename Result, typename... Arguments>
struct Counted<Result(WINAPI*)(Arguments...)> {
  template <int>
  struct Entry {
    static inline Result(WINAPI* original)(Arguments...) = nullptr;
    static Result WINAPI call(Arguments... arguments) {
      ++registryCalls;
      return original(arguments...);
    }
  };
};

struct RegistryEntry {
  const char* name;
  void** original;
  void* replacement;
};

#define LOCKFOLIO_COUNTED(function)                                                                         \
  RegistryEntry {                                                                                           \
    #function, reinterpret_cast<void**>(&Counted<decltype(&function)>::Entry<__LINE__>::original),          \
        reinterpret_cast<void*>(&Counted<decltype(&function)>::Entry<__LINE__>::call)                       \
  }

const RegistryEntry kRegistryEntries[] = {
    LOCKFOLIO_COUNTED(RegCloseKey),      LOCKFOLIO_COUNTED(RegCreateKeyExW), LOCKFOLIO_COUNTED(RegDeleteKeyW),
    LOCKFOLIO_COUNTED(RegDeleteValueW),  LOCKFOLIO_COUNTED(RegEnumKeyExW),   LOCKFOLIO_COUNTED(RegEnumValueW),
    LOCKFOLIO_COUNTED(RegOpenKeyExW),    LOCKFOLIO_COUNTED(RegQueryInfoKeyW), LOCKFOLIO_COUNTED(RegQueryValueExW),
    LOCKFOLIO_COUNTED(RegSetValueExW),   LOCKFOLIO_COUNTED(RegDeleteTreeW),  LOCKFOLIO_COUNTED(RegOpenCurrentUser),
};
#undef LOCKFOLIO_COUNTED

}  // namespace

RegistryCallCounter::RegistryCallCounter(HMODULE module) {
  auto* base = reinterpret_cast<BYTE*>(module);
  if (!base) return;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return;
  for (auto* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       library->Name != 0; ++library) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + library->Name), "advapi32.dll") != 0) continue;
    const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const char* name = reinterpret_cast<const char*>(
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name);
      for (const RegistryEntry& entry : kRegistryEntries) {
        if (std::strcmp(entry.name, name) != 0) continue;
        void** slot = reinterpret_cast<void**>(&slots->u1.Function);
        void* previous = exchange(slot, entry.replacement);
        if (!previous) break;
        *entry.original = previous;
        patches_.push_back({slot, previous});
        break;
      }
    }
  }
  reset();
}

RegistryCallCounter::~RegistryCallCounter() {
  for (auto it = patches_.rbegin(); it != patches_.rend(); ++it) exchange(it->slot, it->original);
}

long RegistryCallCounter::calls() const { return registryCalls; }
void RegistryCallCounter::reset() { registryCalls = 0; }

}  // namespace bench
