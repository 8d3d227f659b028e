#include "helpers/test_platform.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace testing_support {
namespace {

class CountingKey : public platform::RegistryKey {
 public:
  CountingKey(std::unique_ptr<platform::RegistryKey> inner, CountingRegistry& counts)
      : inner_(std::move(inner)), counts_(counts) {}
  long queryInfo(platform::RegistryKeyInfo& info) override { return inner_->queryInfo(info); }
  long enumValue(std::uint32_t index, platform::RegistryValue& value) override {
    ++counts_.valueEnumerations;
    return inner_->enumValue(index, value);
  }
  long enumSubKey(std::uint32_t index, std::wstring& name) override { return inner_->enumSubKey(index, name); }
  long queryValue(const std::wstring& name, std::uint32_t& type, std::vector<std::uint8_t>* data) override {
    return inner_->queryValue(name, type, data);
  }
  long setValue(const std::wstring& name, std::uint32_t type, const std::vector<std::uint8_t>& data) override {
    ++counts_.writes;
    return inner_->setValue(name, type, data);
  }
  long deleteValue(const std::wstring& name) override { return inner_->deleteValue(name); }
  long deleteSubKeyTree(const std::wstring& name) override { return inner_->deleteSubKeyTree(name); }
  long deleteSubKey(const std::wstring& name) override { return inner_->deleteSubKey(name); }

 private:
  std::unique_ptr<platform::RegistryKey> inner_;
  CountingRegistry& counts_;
};

platform::posix::DriveMap driveC(const std::string& directory) {
  platform::posix::DriveMap drives;
  drives.map(L'C', directory);
  return drives;
}

}  // namespace

long CountingRegistry::createKey(std::int32_t root, const std::wstring& path, std::uint32_t access,
                                 std::unique_ptr<platform::RegistryKey>& key) {
  ++opens;
  std::unique_ptr<platform::RegistryKey> inner;
  const long result = inner_.createKey(root, path, access, inner);
  if (inner) key = std::make_unique<CountingKey>(std::move(inner), *this);
  return result;
}

long CountingRegistry::openKey(std::int32_t root, const std::wstring& path, std::uint32_t access,
                               std::unique_ptr<platform::RegistryKey>& key) {
  ++opens;
  std::unique_ptr<platform::RegistryKey> inner;
  const long result = inner_.openKey(root, path, access, inner);
  if (inner) key = std::make_unique<CountingKey>(std::move(inner), *this);
  return result;
}

TestPlatform::TestPlatform(std::uint16_t language)
    : fileSystem(driveC(drive.path()), L"C:\\Temp\\", L"C:\\"), resources(language) {
  drive.makeDirectory("Temp");
}

void TestPlatform::writeFile(const std::wstring& windowsPath, const std::string& content) {
  const std::filesystem::path file(fileSystem.toNative(windowsPath));
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << content;
}

std::string TestPlatform::readFile(const std::wstring& windowsPath) const {
  std::ifstream in(fileSystem.toNative(windowsPath), std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool TestPlatform::exists(const std::wstring& windowsPath) const {
  return std::filesystem::exists(fileSystem.toNative(windowsPath));
}

}  // namespace testing_support
