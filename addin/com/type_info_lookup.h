// Finding the type descriptions that the add-in object's IDispatch halves are served from.
#ifndef KESTROVA_ADDIN_COM_TYPE_INFO_LOOKUP_H_
#define KESTROVA_ADDIN_COM_TYPE_INFO_LOOKUP_H_

#include <oaidl.h>

#include "platform/win32/com/com_ptr.h"

namespace kestrova::com {

// Loads the type library carried in the DLL's resources, without registering it. Throws Failure.
win32::ComPtr<ITypeLib> LoadModuleTypeLibrary();

// The interface (vtable) description of the dual interface `iid`, found in `library` itself or in a
// library that one of its classes refers to for an interface it implements (which loads that
// library from the registry). Throws Failure (TYPE_E_ELEMENTNOTFOUND when no class names `iid`).
win32::ComPtr<ITypeInfo> FindInterfaceTypeInfo(ITypeLib& library, REFIID iid);

}  // namespace kestrova::com

#endif  // KESTROVA_ADDIN_COM_TYPE_INFO_LOOKUP_H_
