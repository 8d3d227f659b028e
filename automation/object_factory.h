#pragma once
// Makes the automation objects the add-in needs but does not own: servers by ProgID (the vault
// server) and pictures of bitmaps (command-bar button faces). Windows: CoCreateInstance and
// OleCreatePictureIndirect. Natively: the simulator's classes.

#include <cstdint>
#include <string>
#include <vector>

#include "automation/object.h"

namespace automation {

class ObjectFactory {
 public:
  virtual ~ObjectFactory() = default;
  // A new object of the class registered as `progId`; Nothing when the class gives no object.
  // Raises ComError when it cannot be created (429, or the system's failure code and text).
  virtual Object create(const std::wstring& progId) = 0;
  // A picture object (what IPictureDisp is on Windows) showing the packed DIB.
  virtual Object picture(const std::vector<std::uint8_t>& dib) = 0;
};

}  // namespace automation
