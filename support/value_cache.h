#pragma once
// Value name to value, in the order of insertion, with names matched without regard to case (the
// registry's own rule). Setting an existing name replaces its value in place.

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "automation/variant.h"

namespace support {

class ValueCache {
 public:
  bool empty() const { return items_.empty(); }
  std::size_t size() const { return items_.size(); }
  const automation::Variant* find(const std::wstring& name) const;
  void set(const std::wstring& name, automation::Variant value);
  void clear();
  const std::vector<std::pair<std::wstring, automation::Variant>>& items() const { return items_; }

 private:
  std::vector<std::pair<std::wstring, automation::Variant>> items_;
  std::unordered_map<std::wstring, std::size_t> index_;  // folded name -> position in items_
};

}  // namespace support
