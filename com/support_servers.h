#pragma once
// The COM faces of the support classes that other programs create: clsResStr, Restrictions and
// clsSessionFolder. Each call creates what it needs and keeps no state, as the classes themselves.

#include <windows.h>
#include <ole2.h>

namespace com {

IUnknown* createResStr();
IUnknown* createRestrictions();
IUnknown* createSessionFolder();

}  // namespace com
