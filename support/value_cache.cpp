#include "support/value_cache.h"

#include "platform/text.h"

namespace support {

const automation::Variant* ValueCache::find(const std::wstring& name) const {
  auto it = index_.find(platform::foldCase(name));
  return it == index_.end() ? nullptr : &items_[it->second].second;
}

void ValueCache::set(const std::wstring& name, automation::Variant value) {
  const std::wstring folded = platform::foldCase(name);
  auto it = index_.find(folded);
  if (it != index_.end()) {
    items_[it->second].second = std::move(value);
    return;
  }
  index_.emplace(folded, items_.size());
  items_.emplace_back(name, std::move(value));
}

void ValueCache::clear() {
  items_.clear();
  index_.clear();
}

}  // namespace support
