#pragma once
// The product's vault server: created by ProgID for each use, reached by late binding, released at once.

namespace commands {

inline constexpr wchar_t kVaultServerProgId[] = L"Morvane.Vault";
inline constexpr wchar_t kApplicationTitle[] = L"LockfolioAddIn";
inline constexpr wchar_t kServerNotFound[] = L"Cannot Access the Vault - Server cannot be found";
inline constexpr wchar_t kCommandErrorPrefix[] = L"Lockfolio has detected an error - ";

}  // namespace commands
