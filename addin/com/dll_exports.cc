// The DLL's entry point and its four exports (by ordinal, see fpkestrova.def). All of them work
// from the class records alone, and no exception leaves any of them.
#include <olectl.h>
#include <windows.h>

#include "addin/com/class_factory.h"
#include "addin/com/class_record.h"
#include "addin/com/module_state.h"
#include "addin/com/registration.h"
#include "platform/win32/com/com_failure.h"

using kestrova::com::ClassRecords;
using kestrova::win32::GuardComCall;

// Records the module handle, from which registration and the type library loader learn the DLL's
// path. Thread notifications stay on: the static threading runtime cleans up after threads in them.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) kestrova::com::SetModuleHandle(instance);
  return TRUE;
}

// Yes (S_OK) only when no object of the DLL is alive and no class factory is locked.
STDAPI DllCanUnloadNow() { return kestrova::com::ModuleCanUnload() ? S_OK : S_FALSE; }

// The class factory of a class in the record; CLASS_E_CLASSNOTAVAILABLE for any other class id.
STDAPI DllGetClassObject(REFCLSID class_id, REFIID iid, LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  const kestrova::com::ClassRecord* record = kestrova::com::FindClassRecord(class_id);
  if (record == nullptr) return CLASS_E_CLASSNOTAVAILABLE;
  return kestrova::com::ClassFactory::Create(*record, iid, object);
}

STDAPI DllRegisterServer() {
  return GuardComCall([] {
    kestrova::com::RegisterClasses(ClassRecords(), kestrova::com::ModulePath());
    return S_OK;
  });
}

STDAPI DllUnregisterServer() {
  return GuardComCall([] {
    kestrova::com::UnregisterClasses(ClassRecords());
    return S_OK;
  });
}
