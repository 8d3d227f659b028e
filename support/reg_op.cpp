#include "support/reg_op.h"

#include "platform/text.h"

namespace support {

using automation::Variant;
using automation::VariantArray;

namespace {

const wchar_t kNoKeyName[] = L"No Key name specified!";
const wchar_t kCannotOpen[] = L"Could not open Registry Key!";
const wchar_t kUnsupportedType[] = L"Existing value has unsupported data type and will not be overwritten";
const wchar_t kUnsupportedFormat[] = L"(unsupported data format)";

std::wstring trimAtNull(const std::wstring& text) { return text.substr(0, text.find(L'\0')); }

// Multi-string data are read as if into a buffer filled with NUL, so they always end in a pair of
// NULs: "a\0b\0" and "a\0b" both read as "a\0b", with no empty last element.
std::wstring trimAtDoubleNull(const std::wstring& text) {
  const std::wstring padded = text + std::wstring(2, L'\0');
  return padded.substr(0, padded.find(std::wstring(2, L'\0')));
}

VariantArray splitAtNull(const std::wstring& text) {
  VariantArray parts;
  if (text.empty()) return parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(L'\0', start);
    const std::size_t length = end == std::wstring::npos ? text.size() - start : end - start;
    Variant part{std::wstring(text, start, length)};
    parts.push_back(std::move(part));
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  return parts;
}

bool isNumber(const Variant& value) {
  return value.type() == Variant::Type::Int16 || value.type() == Variant::Type::Int32 ||
         value.type() == Variant::Type::Double;
}

}  // namespace

RegOp::RegOp(const platform::Platform& platform) : platform_(platform), root_(platform::kHkeyCurrentUser) {
  if (IsWindowsNT()) requestedAccess_ = platform::kKeyRead;
}

RegOp::~RegOp() { CloseKey(); }

void RegOp::Root(std::int32_t root) {
  if (root != root_) {
    root_ = root;
    if (!keyPath_.empty()) OpenKey();
  }
  root_ = root;
}

void RegOp::Key(const std::wstring& path) {
  if (path.empty()) return;
  if (keyPath_.empty()) {
    keyPath_ = path;
    return;
  }
  if (!platform::equalsIgnoreCase(path, keyPath_)) {
    keyPath_ = path;
    OpenKey();
  }
}

void RegOp::Options(std::int32_t options) {
  if (options < 0 || options > 15) return;
  options_ = options;
}

void RegOp::OpenKey() {
  CloseKey();
  const std::int32_t root = root_ == 0 ? platform::kHkeyCurrentUser : root_;
  // A failure leaves no key open.
  if (platform_.registry.createKey(root, keyPath_, requestedAccess_, key_) != platform::kErrorSuccess) failed_ = true;
  // Emptied whether or not the open succeeds: values of the previous key must not answer for this one.
  cache_.clear();
  info_ = {};
  if (key_) {
    if (key_->queryInfo(info_) != platform::kErrorSuccess) failed_ = true;
    openedAccess_ = requestedAccess_;
  }
}

void RegOp::CloseKey() { key_.reset(); }

bool RegOp::EnsureKeyOpen() {
  if (keyPath_.empty()) {
    ShowRegistryError(kNoKeyName);
    return false;
  }
  if (key_ && requestedAccess_ != openedAccess_) CloseKey();
  if (!key_) {
    OpenKey();
    if (!key_) {
      ShowRegistryError(kCannotOpen);
      return false;
    }
  }
  return true;
}

void RegOp::RefreshCounts() {
  platform::RegistryKeyInfo info;
  if (key_ && key_->queryInfo(info) == platform::kErrorSuccess) info_ = info;
}

void RegOp::LoadValueCache() {
  if (keyPath_.empty()) {
    ShowRegistryError(kNoKeyName);
    return;
  }
  if (IsWindowsNT()) requestedAccess_ = platform::kKeyRead;
  if (!EnsureKeyOpen() || info_.valueCount == 0) return;
  cache_.clear();
  for (std::uint32_t index = 0; index < info_.valueCount; ++index) {
    platform::RegistryValue raw;
    if (key_->enumValue(index, raw) != platform::kErrorSuccess) {
      failed_ = true;
      continue;
    }
    const std::wstring name = trimAtNull(raw.name);
    switch (raw.type) {
      case platform::kRegSz:
        cache_.set(name, trimAtNull(platform::fromUtf16Bytes(raw.data)));
        break;
      case platform::kRegExpandSz: {
        std::wstring text = trimAtNull(platform::fromUtf16Bytes(raw.data));
        if (options_ & kOptionExpand) text = platform_.environment.expand(text);
        cache_.set(name, text);
        break;
      }
      case platform::kRegDword: {
        // Read once more with room for exactly four bytes, as the value's own type promises.
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        if (key_->queryValue(raw.name, type, &data) != platform::kErrorSuccess) {
          failed_ = true;
          break;
        }
        if (data.size() > 4) break;
        data.resize(4, 0);
        const auto number = static_cast<std::int32_t>(static_cast<std::uint32_t>(data[0]) | (data[1] << 8) |
                                                      (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24));
        cache_.set(name, number);
        break;
      }
      case platform::kRegMultiSz: {
        const std::wstring text = trimAtDoubleNull(platform::fromUtf16Bytes(raw.data));
        if (options_ & kOptionMultiAsArray) {
          cache_.set(name, splitAtNull(text));
        } else {
          cache_.set(name, text);
        }
        break;
      }
      default:
        cache_.set(name, kUnsupportedFormat);
        break;
    }
  }
}

Variant RegOp::Value(const std::wstring& valueName) {
  if (cache_.empty()) LoadValueCache();
  if (const Variant* value = cache_.find(valueName)) return *value;
  return Variant(static_cast<std::int16_t>(-1));
}

void RegOp::Value(const std::wstring& valueName, const Variant& newValue) {
  if (newValue.isEmpty()) return;
  if (IsWindowsNT()) requestedAccess_ = platform::kKeyRead | platform::kKeyWrite;
  if (!EnsureKeyOpen()) return;

  Variant value = newValue;
  std::uint32_t existingType = 0;
  const long existing = key_->queryValue(valueName, existingType, nullptr);
  if (existing != platform::kErrorSuccess && existing != platform::kErrorFileNotFound) failed_ = true;
  if (existing == platform::kErrorSuccess) {
    switch (existingType) {
      case platform::kRegSz:
      case platform::kRegExpandSz:
        value = Variant(value.toString());
        break;
      case platform::kRegDword:
        value = Variant(value.toInt32());
        break;
      case platform::kRegMultiSz:
        break;
      default:
        ShowRegistryError(kUnsupportedType);
        return;
    }
  }
  if ((options_ & kOptionNumbersAsText) && isNumber(value)) value = Variant(value.toString());
  if (valueName.empty()) value = Variant(value.toString());

  std::uint32_t type = platform::kRegSz;
  std::vector<std::uint8_t> data;
  switch (value.type()) {
    case Variant::Type::Array: {
      std::wstring joined;
      const VariantArray& elements = value.array();
      for (std::size_t i = 0; i < elements.size(); ++i) {
        if (i > 0) joined += L'\0';
        joined += elements[i].toString();
      }
      type = platform::kRegMultiSz;
      data = platform::toUtf16Bytes(joined, 2);
      break;
    }
    case Variant::Type::Int16:
    case Variant::Type::Int32: {
      const auto number = static_cast<std::uint32_t>(value.toInt32());
      type = platform::kRegDword;
      data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
              static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
      break;
    }
    case Variant::Type::String: {
      const std::wstring text = value.toString();
      type = HasEnvironmentReference(text) ? platform::kRegExpandSz : platform::kRegSz;
      data = platform::toUtf16Bytes(text, 1);
      break;
    }
    default:
      data = platform::toUtf16Bytes(value.toString(), 1);
      break;
  }
  // A failed write raises nothing, as every registry failure here; Failed() tells.
  if (key_->setValue(valueName, type, data) != platform::kErrorSuccess) failed_ = true;
  RefreshCounts();
  cache_.clear();
}

bool RegOp::HasEnvironmentReference(const std::wstring& text) {
  const std::size_t first = text.find(L'%');
  if (first == std::wstring::npos || first == text.rfind(L'%')) return false;
  const std::vector<std::wstring> entries = platform_.environment.entries();
  for (std::size_t i = 0; i < entries.size() && i < 100; ++i) {
    const std::wstring& entry = entries[i];
    if (entry.empty()) break;
    const std::wstring name = entry.substr(0, entry.find(L'='));
    // Windows keeps per-drive folders as "=C:=C:\..." entries; they name no variable.
    if (name.empty()) continue;
    if (platform::containsIgnoreCase(text, L"%" + name + L"%")) return true;
  }
  return false;
}

std::vector<std::pair<std::wstring, Variant>> RegOp::AllValues() {
  if (IsWindowsNT()) requestedAccess_ = platform::kKeyRead;
  if (!EnsureKeyOpen() || info_.valueCount == 0) return {};
  if (cache_.empty()) LoadValueCache();
  return cache_.items();
}

std::vector<std::wstring> RegOp::AllKeys() {
  if (IsWindowsNT()) requestedAccess_ = platform::kKeyRead;
  if (!EnsureKeyOpen() || info_.subKeyCount == 0) return {};
  std::vector<std::wstring> names(info_.subKeyCount);
  for (std::uint32_t index = 0; index < info_.subKeyCount; ++index) {
    std::wstring name;
    if (key_->enumSubKey(index, name) == platform::kErrorSuccess) names[index] = trimAtNull(name);
  }
  return names;
}

bool RegOp::DeleteValue(const std::wstring& valueName) {
  if (IsWindowsNT()) requestedAccess_ = platform::kKeyAllAccess;
  if (!EnsureKeyOpen()) return false;
  if (key_->deleteValue(valueName) != platform::kErrorSuccess) return false;
  RefreshCounts();
  cache_.clear();
  return true;
}

bool RegOp::DeleteKey() {
  if (keyPath_.empty()) {
    ShowRegistryError(kNoKeyName);
    return false;
  }
  const std::size_t slash = keyPath_.rfind(L'\\');
  // A path without a parent would make the root itself the parent: deleting a top-level key
  // (all of HKEY_CURRENT_USER\Software, say) from a mistyped path is never what a caller meant.
  if (slash == std::wstring::npos || slash == 0 || slash + 1 == keyPath_.size()) return false;
  const std::wstring child = keyPath_.substr(slash + 1);
  keyPath_ = keyPath_.substr(0, slash);
  if (IsWindowsNT()) requestedAccess_ = platform::kKeyAllAccess;
  OpenKey();
  if (!key_) return false;
  const long result = IsShellDeleteAvailable() ? key_->deleteSubKeyTree(child) : key_->deleteSubKey(child);
  if (result != platform::kErrorSuccess) return false;
  RefreshCounts();
  cache_.clear();
  return true;
}

std::int32_t RegOp::ValueCount() {
  if (!EnsureKeyOpen()) return 0;
  return static_cast<std::int32_t>(info_.valueCount);
}

std::int32_t RegOp::KeyCount() {
  if (!EnsureKeyOpen()) return 0;
  return static_cast<std::int32_t>(info_.subKeyCount);
}

bool RegOp::IsShellDeleteAvailable() { return platform_.registry.treeDeleteAvailable(); }

void RegOp::ShowRegistryError(const std::wstring& message) {
  if (!(options_ & kOptionShowErrors)) return;
  platform_.ui.messageBox(message, L"Registry Error", platform::kMbOk | platform::kMbIconExclamation);
}

}  // namespace support
