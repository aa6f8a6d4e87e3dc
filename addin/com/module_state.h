// The state that the whole DLL shares: its module handle, and the counts of live objects and
// factory locks that decide whether it may be unloaded.
#ifndef KESTROVA_ADDIN_COM_MODULE_STATE_H_
#define KESTROVA_ADDIN_COM_MODULE_STATE_H_

#include <windows.h>

#include <string>

#include "platform/win32/com/module_objects.h"

namespace kestrova::com {

// Records the DLL's module handle; the entry point calls it when the DLL is loaded.
void SetModuleHandle(HMODULE module) noexcept;

// The DLL's full path; throws Failure when the system cannot tell it.
std::wstring ModulePath();

// Counts one more or one fewer lock of a class factory (IClassFactory::LockServer).
void LockModule(bool lock) noexcept;

// True when no object of the DLL that the host or COM can still call is alive (the add-in object,
// a class factory, an event sink, a window: see win32::ModuleObjectCount) and no class factory is
// locked: then the DLL may be unloaded.
bool ModuleCanUnload() noexcept;

using win32::ModuleObjectCount;

}  // namespace kestrova::com

#endif  // KESTROVA_ADDIN_COM_MODULE_STATE_H_
