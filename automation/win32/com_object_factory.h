#pragma once
// The Windows build's ObjectFactory: COM classes by ProgID, pictures as OLE picture objects.

#include <cstdint>
#include <string>
#include <vector>

#include "automation/object_factory.h"

namespace automation::win32 {

class ComObjectFactory final : public ObjectFactory {
 public:
  // CLSIDFromProgID, then CoCreateInstance (in-process or local server) for IDispatch. An unknown
  // or unregistered class raises ComError 429; other failures their HRESULT and its text. A class
  // that answers with no object gives Nothing. COM must be initialised on the calling thread.
  Object create(const std::wstring& progId) override;

  // The packed DIB (a BITMAPINFOHEADER or a later header, bit-field masks, colour table, rows) as a
  // bitmap owned by an OLE picture object (IPictureDisp). Raises ComError 5 for data that is not
  // an uncompressed DIB of at most 65535 pixels a side.
  Object picture(const std::vector<std::uint8_t>& dib) override;
};

}  // namespace automation::win32
