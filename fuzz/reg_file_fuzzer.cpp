// The native registry's file format against arbitrary bytes: a damaged file may only raise
// ComError, and whatever parses must be written and read back as exactly the same keys and values.
// Comparing the registries themselves, not two writes with each other, is what shows a value that
// the writer leaves out.

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
  Hive parsed;
  try {
    parseRegFile(bytes, "input.reg", parsed);
  } catch (const ComError&) {
    return 0;  // reported as damaged: what a bad file must do
  }
  std::string written;
  try {
    written = formatRegFile(parsed);
  } catch (const ComError& e) {
    std::fprintf(stderr, "a registry read from a file cannot be written: %s\n", e.what());
    std::abort();
  }
  Hive reread;
  try {
    parseRegFile(std::vector<char>(written.begin(), written.end()), "written.reg", reread);
  } catch (const ComError& e) {
    std::fprintf(stderr, "the registry file we wrote does not read back (%s):\n%s\n", e.what(), written.c_str());
    std::abort();
  }
  if (!(reread == parsed)) {
    std::fprintf(stderr, "the registry changed on its way through the file:\n%s\n", written.c_str());
    std::abort();
  }
  return 0;
}
