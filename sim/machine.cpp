#include "sim/machine.h"

#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/text.h"
#include "sim/host_errors.h"

namespace sim {
namespace {

constexpr const wchar_t* kDocuments = L"C:\\Users\\User\\Documents";
constexpr const wchar_t* kDocPath = L"DOC-PATH";

}  // namespace

Machine::Machine(platform::Platform platform, std::unique_ptr<PathMapper> paths)
    : platform_(platform), paths_(std::move(paths)), excelDefaultFilePath_(kDocuments), powerPointFolder_(kDocuments) {
  const std::pair<const wchar_t*, const wchar_t*> locations[] = {
      {kDocPath, kDocuments},
      {L"PICTURE-PATH", L"C:\\Users\\User\\Pictures"},
      {L"USER-DOT-PATH", L"C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Templates"},
      {L"WORKGROUP-DOT-PATH", L""},
      {L"USER-OPTIONS-PATH", L"C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Word"},
      {L"AUTOSAVE-PATH", L"C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Word"},
      {L"TOOLS-PATH", L"C:\\Program Files\\Microsoft Office\\OFFICE11"},
      {L"STARTUP-PATH", L"C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Word\\STARTUP"},
  };
  for (const auto& [key, folder] : locations) wordLocations_[platform::foldCase(key)] = folder;
}

std::shared_ptr<BarStore> Machine::barStore(HostKind host) {
  auto& store = bars_[host];
  if (!store) store = BarStore::create(host, &platform_.ui);
  return store;
}

std::wstring Machine::documentsFolder(HostKind host) const {
  switch (host) {
    case HostKind::Word: return *wordFileLocation(kDocPath);
    case HostKind::Excel: return excelDefaultFilePath_;
    case HostKind::PowerPoint: return powerPointFolder_;
  }
  return {};
}

void Machine::setDocumentsFolder(HostKind host, std::wstring folder) {
  switch (host) {
    case HostKind::Word: setWordFileLocation(kDocPath, std::move(folder)); break;
    case HostKind::Excel: excelDefaultFilePath_ = std::move(folder); break;
    case HostKind::PowerPoint: powerPointFolder_ = std::move(folder); break;
  }
}

std::optional<std::wstring> Machine::wordFileLocation(const std::wstring& key) const {
  auto it = wordLocations_.find(platform::foldCase(key));
  if (it == wordLocations_.end()) return std::nullopt;
  return it->second;
}

void Machine::setWordFileLocation(const std::wstring& key, std::wstring folder) {
  auto it = wordLocations_.find(platform::foldCase(key));
  if (it == wordLocations_.end()) throw ComError(host_errors::kWordCommandFailed, L"Command failed");
  it->second = std::move(folder);
}

void Machine::applyWordFileLocation(const std::wstring& key, std::wstring folder) {
  setWordFileLocation(key, folder);
  locationChanges_.push_back({key, std::move(folder)});
}

std::optional<std::filesystem::path> Machine::native(const std::wstring& path) {
  if (path.empty()) return std::nullopt;
  try {
    return paths_->toNative(path);
  } catch (const ComError&) {
    return std::nullopt;  // an unmapped drive: nothing is there
  }
}

bool Machine::fileExists(const std::wstring& path) {
  auto file = native(path);
  std::error_code error;
  return file && std::filesystem::is_regular_file(*file, error);
}

bool Machine::folderExists(const std::wstring& path) {
  auto folder = native(path);
  std::error_code error;
  return folder && std::filesystem::is_directory(*folder, error);
}

std::optional<std::wstring> Machine::readFile(const std::wstring& path) {
  if (!fileExists(path)) return std::nullopt;
  std::ifstream in(*native(path), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  return platform::fromUtf8(content.str());
}

bool Machine::writeFile(const std::wstring& path, const std::wstring& text) {
  auto file = native(path);
  if (!file) return false;
  std::error_code error;
  if (!std::filesystem::is_directory(file->parent_path(), error)) return false;
  std::ofstream out(*file, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out << platform::toUtf8(text);
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace sim
