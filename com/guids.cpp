// The identities of the type library, the classes and their interfaces, defined once from the
// header that widl generates out of LockfolioAddIn.idl.
#include <initguid.h>

#include "LockfolioAddIn_h.h"
#include "extensibility_h.h"
#include "ribbon_h.h"
