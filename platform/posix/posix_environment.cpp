#include "platform/posix/posix_environment.h"

#include <cstdlib>

#include "platform/text.h"

extern char** environ;

namespace platform::posix {

std::wstring expandReferences(const std::wstring& text,
                              const std::function<std::optional<std::wstring>(const std::wstring&)>& lookup) {
  std::wstring out;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t open = text.find(L'%', i);
    if (open == std::wstring::npos) break;
    const std::size_t close = text.find(L'%', open + 1);
    if (close == std::wstring::npos) break;
    out.append(text, i, open - i);
    const std::wstring name = text.substr(open + 1, close - open - 1);
    const auto value = name.empty() ? std::nullopt : lookup(name);
    if (value) {
      out += *value;
      i = close + 1;
    } else {
      out += L'%' + name;
      i = close;
    }
  }
  out.append(text, i, std::wstring::npos);
  return out;
}

std::optional<std::wstring> ProcessEnvironment::variable(const std::wstring& name) {
  const char* value = std::getenv(toUtf8(name).c_str());
  if (!value) return std::nullopt;
  return fromUtf8(value);
}

std::vector<std::wstring> ProcessEnvironment::entries() {
  std::vector<std::wstring> result;
  for (char** entry = environ; entry && *entry; ++entry) result.push_back(fromUtf8(*entry));
  return result;
}

std::wstring ProcessEnvironment::expand(const std::wstring& text) {
  return expandReferences(text, [this](const std::wstring& name) { return variable(name); });
}

void FixedEnvironment::set(const std::wstring& name, const std::wstring& value) {
  for (auto& entry : entries_) {
    if (entry.compare(0, name.size() + 1, name + L"=") == 0) {
      entry = name + L"=" + value;
      return;
    }
  }
  entries_.push_back(name + L"=" + value);
}

void FixedEnvironment::unset(const std::wstring& name) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->compare(0, name.size() + 1, name + L"=") == 0) {
      entries_.erase(it);
      return;
    }
  }
}

std::optional<std::wstring> FixedEnvironment::variable(const std::wstring& name) {
  for (const auto& entry : entries_) {
    if (entry.compare(0, name.size() + 1, name + L"=") == 0) return entry.substr(name.size() + 1);
  }
  return std::nullopt;
}

std::wstring FixedEnvironment::expand(const std::wstring& text) {
  return expandReferences(text, [this](const std::wstring& name) { return variable(name); });
}

}  // namespace platform::posix
