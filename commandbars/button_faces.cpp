// The pictures of the three commands: face and mask pictures on hosts of version 10 and later,
// faces pasted from the clipboard on older hosts, whose buttons have no Picture or Mask.

#include "addin/class_addin.h"
#include "addin/error_trap.h"
#include "addin/messages.h"
#include "office/office.h"

namespace addin {

Object ClassAddIn::LoadPicture(std::int32_t id, std::vector<std::uint8_t>* dib) const {
  auto bitmap = platform_.resources.loadBitmap(id);
  if (!bitmap) {
    throw ComError(326, L"Resource with identifier '" + std::to_wstring(id) + L"' not found");
  }
  if (dib) *dib = *bitmap;
  return objects_.picture(*bitmap);
}

void ClassAddIn::SetButtonFaces() {
  trappingErrors(
      [&] {
        const std::wstring name = HostName();
        const EventSource& application =
            name == office::kWordName ? g_appWord : name == office::kExcelName ? g_appExcel : g_appPPT;
        const std::int16_t version = Variant(application.object().get(L"Version")).toInt16();
        bool first = true;
        for (const ToolbarButton& button : ToolbarButtons()) {
          std::vector<std::uint8_t> faceBitmap;
          const Object face = LoadPicture(button.faceId, &faceBitmap);
          const Object mask = LoadPicture(button.maskId);
          // A control whose own step failed has reported that already: it gets no face, and the
          // failure no second box.
          const Object& buttonObject = (this->*button.field).object();
          const Object& itemObject = (this->*button.menuItem).object();
          const office::CommandBarControl toolbarButton(buttonObject);
          if (version > 9) {
            const office::CommandBarControl menuItem(itemObject);
            if (buttonObject) {
              toolbarButton.setPicture(face);
              toolbarButton.setMask(mask);
            }
            if (itemObject) {
              menuItem.setPicture(face);
              menuItem.setMask(mask);
            }
          } else if (buttonObject) {
            if (first) platform_.ui.clearClipboard();
            platform_.ui.setClipboardBitmap(faceBitmap);
            toolbarButton.pasteFace();
            first = false;
          }
        }
      },
      [&](const ComError& error) { ShowErrorMessage(error, message::kErrorAddingImages); });
}

}  // namespace addin
