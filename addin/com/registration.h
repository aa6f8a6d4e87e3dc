// What DllRegisterServer writes and DllUnregisterServer removes, built from the class records.
#ifndef KESTROVA_ADDIN_COM_REGISTRATION_H_
#define KESTROVA_ADDIN_COM_REGISTRATION_H_

#include <span>
#include <string>

#include "addin/com/class_record.h"

namespace kestrova::com {

// Registers every class of `records` as served by the DLL at `module_path`: the type library (which
// also registers its interfaces for marshalling through it), the class key (InprocServer32 with the
// path and threading model, ProgID, TypeLib) and the ProgID key. Nothing else. Registering again
// rewrites the same entries. On a failure whatever was written is removed again and the failure
// is thrown (Failure).
void RegisterClasses(std::span<const ClassRecord> records, const std::wstring& module_path);

// Removes what RegisterClasses writes for `records`. A ProgID key that names another class by now
// belongs to another server and stays. Entries already gone are no failure. Throws Failure.
void UnregisterClasses(std::span<const ClassRecord> records);

}  // namespace kestrova::com

#endif  // KESTROVA_ADDIN_COM_REGISTRATION_H_
