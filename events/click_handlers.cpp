// A click on a menu item or a toolbar button starts its command, and does nothing else.

#include "addin/class_addin.h"

namespace addin {

void ClassAddIn::g_cbbSOpenMenuItem_Click(const Object&, Variant&) { OpenEncryptedFile(); }
void ClassAddIn::g_cbbSOpenButton_Click(const Object&, Variant&) { OpenEncryptedFile(); }
void ClassAddIn::g_cbbSSaveMenuItem_Click(const Object&, Variant&) { SaveAndEncrypt(); }
void ClassAddIn::g_cbbSSaveButton_Click(const Object&, Variant&) { SaveAndEncrypt(); }
void ClassAddIn::g_cbbSSaveAsMenuItem_Click(const Object&, Variant&) { SaveAsAndEncrypt(); }
void ClassAddIn::g_cbbSSaveAsButton_Click(const Object&, Variant&) { SaveAsAndEncrypt(); }

}  // namespace addin
