// FPKestrova.dll loaded into the test process, with its four exports at hand.
#ifndef KESTROVA_TESTS_ADDIN_COM_SERVER_MODULE_H_
#define KESTROVA_TESTS_ADDIN_COM_SERVER_MODULE_H_

#include <windows.h>

#include <string>

namespace kestrova::testing {

// Loads the DLL beside the test program for as long as it lives (COM, loading the same file for
// CoCreateInstance, shares the loaded module) and calls its exports by name, as regsvr32 and COM
// do. Construction throws std::runtime_error when the DLL or an export is missing.
class ServerModule {
 public:
  ServerModule();
  ~ServerModule();
  ServerModule(const ServerModule&) = delete;
  ServerModule& operator=(const ServerModule&) = delete;

  HRESULT CanUnloadNow() const;
  HRESULT GetClassObject(REFCLSID class_id, REFIID iid, void** object) const;
  HRESULT RegisterServer() const;
  HRESULT UnregisterServer() const;

  // The full path the DLL was loaded from.
  const std::wstring& path() const { return path_; }
  HMODULE module() const { return module_; }

 private:
  using NoArguments = HRESULT(WINAPI*)();
  using GetClassObjectFunction = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

  HMODULE module_ = nullptr;
  std::wstring path_;
  NoArguments can_unload_now_ = nullptr;
  GetClassObjectFunction get_class_object_ = nullptr;
  NoArguments register_server_ = nullptr;
  NoArguments unregister_server_ = nullptr;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_ADDIN_COM_SERVER_MODULE_H_
