#pragma once
// The .reg text format ("Windows Registry Editor Version 5.00") in which the native registry is kept.
// Reads UTF-8 (what we write) and UTF-16LE with a byte-order mark (what regedit and Wine export).

#include <string>
#include <vector>

#include "platform/posix/registry_hive.h"

namespace platform::posix {

// Fills `hive` from the file's bytes. A damaged file raises ComError naming `fileName` and the line.
void parseRegFile(const std::vector<char>& bytes, const std::string& fileName, Hive& hive);

// The whole hive as .reg text: UTF-8, or UTF-16LE when a name holds a lone surrogate. Every key is
// written, empty ones too, so that nothing is lost. A name the format cannot hold (a key name with
// a line break) raises ComError before anything is written.
std::string formatRegFile(const Hive& hive);

}  // namespace platform::posix
