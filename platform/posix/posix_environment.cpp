#include "platform/posix/posix_environment.h"

#include <algorithm>
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

namespace {

// Whether the "NAME=value" entry is of the variable `name`, whatever the case, as Windows matches.
bool isEntryOf(std::wstring_view entry, const std::wstring& name) {
  return entry.size() > name.size() && entry[name.size()] == L'=' &&
         equalsIgnoreCase(entry.substr(0, name.size()), name);
}

// POSIX may hold two names that differ only in case (Path and PATH): the one spelled as asked
// wins, then the first in the process's order.
std::optional<std::wstring> lookUp(const std::vector<std::wstring>& entries, const std::wstring& name) {
  std::optional<std::wstring> other;
  for (const auto& entry : entries) {
    if (!isEntryOf(entry, name)) continue;
    if (entry.compare(0, name.size(), name) == 0) return entry.substr(name.size() + 1);
    if (!other) other = entry.substr(name.size() + 1);
  }
  return other;
}

std::vector<std::wstring>::iterator findEntry(std::vector<std::wstring>& entries, const std::wstring& name) {
  return std::find_if(entries.begin(), entries.end(),
                      [&](const std::wstring& entry) { return isEntryOf(entry, name); });
}

}  // namespace

std::optional<std::wstring> ProcessEnvironment::variable(const std::wstring& name) {
  if (const char* value = std::getenv(toUtf8(name).c_str())) return fromUtf8(value);
  return lookUp(entries(), name);
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
  const auto it = findEntry(entries_, name);
  if (it != entries_.end()) {
    *it = name + L"=" + value;
  } else {
    entries_.push_back(name + L"=" + value);
  }
}

void FixedEnvironment::unset(const std::wstring& name) {
  const auto it = findEntry(entries_, name);
  if (it != entries_.end()) entries_.erase(it);
}

std::optional<std::wstring> FixedEnvironment::variable(const std::wstring& name) { return lookUp(entries_, name); }

std::wstring FixedEnvironment::expand(const std::wstring& text) {
  return expandReferences(text, [this](const std::wstring& name) { return variable(name); });
}

}  // namespace platform::posix
