#pragma once
// Where a Windows path of the simulated machine lives on the disk of the machine that runs the
// simulation. The native build maps drive letters to directories (as the POSIX file system of the
// platform layer does); a Windows build uses the path as it is.

#include <filesystem>
#include <functional>
#include <string>
#include <utility>

namespace sim {

class PathMapper {
 public:
  virtual ~PathMapper() = default;
  // Raises ComError when the path has no place on disk (an unmapped drive).
  virtual std::filesystem::path toNative(const std::wstring& windowsPath) = 0;
};

class IdentityPathMapper : public PathMapper {
 public:
  std::filesystem::path toNative(const std::wstring& windowsPath) override { return std::filesystem::path(windowsPath); }
};

// Maps through a function, e.g. the drive map of the native platform.
class FunctionPathMapper : public PathMapper {
 public:
  using Function = std::function<std::filesystem::path(const std::wstring&)>;
  explicit FunctionPathMapper(Function function) : function_(std::move(function)) {}
  std::filesystem::path toNative(const std::wstring& windowsPath) override { return function_(windowsPath); }

 private:
  Function function_;
};

}  // namespace sim
