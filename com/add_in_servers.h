#pragma once
// The COM faces of the add-in itself: Connect, which Office creates and connects through
// _IDTExtensibility2, and ClassAddIn with its state record and handlers as properties and methods.

#include <windows.h>
#include <ole2.h>

namespace com {

IUnknown* createConnect();
IUnknown* createClassAddIn();

}  // namespace com
