// Proves that a Windows program of this build really ran: prints its pointer size and whether it
// runs as a 32-bit program on 64-bit Windows (WOW64). Wine exits 0 even when a 32-bit program
// could not start at all, so the x86 tests trust no exit code before this program has spoken.
// Ends with "N passed, N failed".

#include <windows.h>

#include <cstdio>

int main() {
  using IsWow64 = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto isWow64 = reinterpret_cast<IsWow64>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  const bool asked = isWow64 != nullptr && isWow64(GetCurrentProcess(), &wow64);
  std::printf("pointer size: %u bytes\n", static_cast<unsigned>(sizeof(void*)));
  std::printf("WOW64: %s\n", asked ? (wow64 ? "yes" : "no") : "unknown");
  // A 32-bit build must run under WOW64, a 64-bit one natively.
  const bool expected = asked && (wow64 != FALSE) == (sizeof(void*) == 4);
  std::printf("%d passed, %d failed\n", expected ? 1 : 0, expected ? 0 : 1);
  return expected ? 0 : 1;
}
