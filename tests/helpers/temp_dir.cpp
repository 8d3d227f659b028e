#include "helpers/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <sys/stat.h>

namespace testing_support {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "lockfolio-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code error;
  // Tests make read-only folders; give write permission back so everything can go.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, error);
       it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 error);
  }
  std::filesystem::remove_all(path_, error);
}

void TempDir::write(const std::string& relative, const std::string& content) const {
  std::ofstream out(file(relative), std::ios::binary);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + file(relative));
}

std::string TempDir::read(const std::string& relative) const {
  std::ifstream in(file(relative), std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void TempDir::makeDirectory(const std::string& relative) const {
  std::filesystem::create_directories(file(relative));
}

bool TempDir::exists(const std::string& relative) const { return std::filesystem::exists(file(relative)); }

}  // namespace testing_support
