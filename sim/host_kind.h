#pragma once
// Which Office application a simulated host plays, and the facts that differ between the three.

#include <string>

namespace sim {

enum class HostKind { Word, Excel, PowerPoint };

// The name each application gives itself through its default member.
inline std::wstring defaultApplicationName(HostKind kind) {
  switch (kind) {
    case HostKind::Word: return L"Microsoft Word";
    case HostKind::Excel: return L"Microsoft Excel";
    case HostKind::PowerPoint: return L"Microsoft PowerPoint";
  }
  return {};
}

// What a new document is called before its number: Document1, Book1, Presentation1.
inline std::wstring newDocumentStem(HostKind kind) {
  switch (kind) {
    case HostKind::Word: return L"Document";
    case HostKind::Excel: return L"Book";
    case HostKind::PowerPoint: return L"Presentation";
  }
  return {};
}

// The extension the host gives a file saved without one (the 97-2003 formats).
inline std::wstring defaultExtension(HostKind kind) {
  switch (kind) {
    case HostKind::Word: return L".doc";
    case HostKind::Excel: return L".xls";
    case HostKind::PowerPoint: return L".ppt";
  }
  return {};
}

inline const wchar_t* hostLabel(HostKind kind) {
  switch (kind) {
    case HostKind::Word: return L"Word";
    case HostKind::Excel: return L"Excel";
    case HostKind::PowerPoint: return L"PowerPoint";
  }
  return L"?";
}

}  // namespace sim
