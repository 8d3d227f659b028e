#pragma once
// A complete platform for one test: an in-memory registry, a fixed environment, drive C: mapped to
// a fresh directory (temporary folder C:\Temp\), the message table in a chosen language, and a
// Ui that records every box instead of showing it.

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "helpers/temp_dir.h"
#include "platform/platform.h"
#include "platform/posix/hive_registry.h"
#include "platform/posix/message_table_resources.h"
#include "platform/posix/posix_environment.h"
#include "platform/posix/posix_file_system.h"

namespace testing_support {

struct ShownBox {
  std::wstring text;
  std::wstring title;
  std::uint32_t flags;
};

class RecordingUi : public platform::Ui {
 public:
  int messageBox(const std::wstring& text, const std::wstring& title, std::uint32_t flags) override {
    boxes.push_back({text, title, flags});
    return platform::kIdOk;
  }
  void sendKeys(const std::wstring& keys) override {
    sentKeys.push_back(keys);
    if (keyboardTarget) keyboardTarget(keys);
  }
  void clearClipboard() override {
    clipboard.reset();
    ++clipboardClears;
  }
  void setClipboardBitmap(const std::vector<std::uint8_t>& dib) override { clipboard = dib; }
  std::optional<std::vector<std::uint8_t>> clipboardBitmap() override { return clipboard; }
  std::uint32_t windowDpi() override { return dpi; }

  std::vector<ShownBox> boxes;
  std::optional<std::vector<std::uint8_t>> clipboard;
  int clipboardClears = 0;
  std::vector<std::wstring> sentKeys;
  std::function<void(const std::wstring&)> keyboardTarget;  // the active window
  std::uint32_t dpi = 96;
};

// Counts the calls that reach the registry, to show what the cache saves.
class CountingRegistry : public platform::Registry {
 public:
  explicit CountingRegistry(platform::Registry& inner) : inner_(inner) {}
  long createKey(std::int32_t root, const std::wstring& path, std::uint32_t access,
                 std::unique_ptr<platform::RegistryKey>& key) override;
  long openKey(std::int32_t root, const std::wstring& path, std::uint32_t access,
               std::unique_ptr<platform::RegistryKey>& key) override;
  bool treeDeleteAvailable() override { return treeDelete; }

  int opens = 0;
  int valueEnumerations = 0;  // calls of enumValue
  int writes = 0;
  bool treeDelete = true;

 private:
  platform::Registry& inner_;
};

// The shipped tables with some messages replaced and some bitmaps taken away.
class OverridingResources : public platform::Resources {
 public:
  explicit OverridingResources(platform::Resources& inner) : inner_(inner) {}
  std::optional<std::wstring> loadString(std::int32_t id) override {
    auto it = strings.find(id);
    return it != strings.end() ? std::optional<std::wstring>(it->second) : inner_.loadString(id);
  }
  std::optional<std::vector<std::uint8_t>> loadBitmap(std::int32_t id) override {
    if (missingBitmaps.count(id)) return std::nullopt;
    return inner_.loadBitmap(id);
  }
  std::map<std::int32_t, std::wstring> strings;
  std::set<std::int32_t> missingBitmaps;

 private:
  platform::Resources& inner_;
};

class TestPlatform {
 public:
  explicit TestPlatform(std::uint16_t language = 1033);

  platform::Platform platform() { return {registry, fileSystem, environment, overrides, ui}; }
  // The same services over another file system.
  platform::Platform platform(platform::FileSystem& files) { return {registry, files, environment, overrides, ui}; }
  // A file by its Windows path: created with its folders, read, looked for.
  void writeFile(const std::wstring& windowsPath, const std::string& content);
  std::string readFile(const std::wstring& windowsPath) const;
  bool exists(const std::wstring& windowsPath) const;

  TempDir drive;
  platform::posix::HiveRegistry hive;
  CountingRegistry registry{hive};
  platform::posix::FixedEnvironment environment;
  platform::posix::PosixFileSystem fileSystem;
  platform::posix::MessageTableResources resources;
  OverridingResources overrides{resources};  // what platform() hands out: the tables, unless a test changes them
  RecordingUi ui;
};

}  // namespace testing_support
