#pragma once
// A fresh directory for one test, removed with everything in it afterwards.

#include <string>

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& relative) const { return path_ + "/" + relative; }
  void write(const std::string& relative, const std::string& content) const;
  std::string read(const std::string& relative) const;
  void makeDirectory(const std::string& relative) const;
  bool exists(const std::string& relative) const;

 private:
  std::string path_;
};

}  // namespace testing_support
