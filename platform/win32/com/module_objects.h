// The objects of this module (the add-in's DLL or a test program) that someone outside can still
// call: COM objects that the host or COM holds, event sinks the host keeps, windows whose
// procedure is ours. The DLL may be unloaded only while none lives.
#ifndef KESTROVA_PLATFORM_WIN32_COM_MODULE_OBJECTS_H_
#define KESTROVA_PLATFORM_WIN32_COM_MODULE_OBJECTS_H_

namespace kestrova::win32 {

// How many ModuleObjectCount instances are alive in this module.
long LiveModuleObjects() noexcept;

// Counts the object that holds it as alive for as long as it exists.
class ModuleObjectCount {
 public:
  ModuleObjectCount() noexcept;
  ~ModuleObjectCount();
  ModuleObjectCount(const ModuleObjectCount&) = delete;
  ModuleObjectCount& operator=(const ModuleObjectCount&) = delete;
};

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_WIN32_COM_MODULE_OBJECTS_H_
