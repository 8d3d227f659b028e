// The native registry's file format against arbitrary bytes: a damaged file may only raise
// ComError, and whatever parses must come back unchanged after writing and reading it again.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/com_error.h"
#include "platform/posix/reg_file_format.h"
#include "platform/posix/registry_hive.h"

using platform::ComError;
using platform::posix::formatRegFile;
using platform::posix::Hive;
using platform::posix::parseRegFile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<char> bytes(data, data + size);
  Hive hive;
  try {
    parseRegFile(bytes, "input.reg", hive);
  } catch (const ComError&) {
    return 0;  // reported as damaged: what a bad file must do
  }
  const std::string written = formatRegFile(hive);
  Hive reread;
  try {
    parseRegFile(std::vector<char>(written.begin(), written.end()), "written.reg", reread);
  } catch (const ComError&) {
    std::fprintf(stderr, "the registry file we wrote does not read back:\n%s\n", written.c_str());
    std::abort();
  }
  if (formatRegFile(reread) != written) {
    std::fprintf(stderr, "the registry changed on its way through the file:\n%s\n", written.c_str());
    std::abort();
  }
  return 0;
}
