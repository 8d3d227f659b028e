#pragma once
// The .reg text format ("Windows Registry Editor Version 5.00") in which the native registry is kept.
// Reads UTF-8 (what we write) and UTF-16LE with a byte-order mark (what regedit and Wine export).

#include <string>
#include <vector>

#include "platform/posix/registry_hive.h"

namespace platform::posix {

// Fills `hive` from the file's bytes. A damaged file raises ComError naming `fileName` and the line.
void parseRegFile(const std::vector<char>& bytes, const std::string& fileName, Hive& hive);

// The whole hive as .reg text, UTF-8. Every key is written, empty ones too, so that nothing is lost.
std::string formatRegFile(const Hive& hive);

}  // namespace platform::posix
