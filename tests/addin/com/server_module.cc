#include "tests/addin/com/server_module.h"

#include <stdexcept>

#include "tests/addin/com/test_files.h"

namespace kestrova::testing {
namespace {

template <typename Function>
Function Export(HMODULE module, const char* name) {
  FARPROC address = GetProcAddress(module, name);
  if (address == nullptr) throw std::runtime_error(std::string("missing export ") + name);
  return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

}  // namespace

ServerModule::ServerModule() {
  const std::wstring file = BesideTestProgram(kServerFileName);
  module_ = LoadLibraryW(file.c_str());
  if (module_ == nullptr) throw std::runtime_error("FPKestrova.dll does not load");
  path_.assign(32768, L'\0');
  path_.resize(GetModuleFileNameW(module_, path_.data(), static_cast<DWORD>(path_.size())));
  can_unload_now_ = Export<NoArguments>(module_, "DllCanUnloadNow");
  get_class_object_ = Export<GetClassObjectFunction>(module_, "DllGetClassObject");
  register_server_ = Export<NoArguments>(module_, "DllRegisterServer");
  unregister_server_ = Export<NoArguments>(module_, "DllUnregisterServer");
}

ServerModule::~ServerModule() { FreeLibrary(module_); }

HRESULT ServerModule::CanUnloadNow() const { return can_unload_now_(); }

HRESULT ServerModule::GetClassObject(REFCLSID class_id, REFIID iid, void** object) const {
  return get_class_object_(class_id, iid, object);
}

HRESULT ServerModule::RegisterServer() const { return register_server_(); }

HRESULT ServerModule::UnregisterServer() const { return unregister_server_(); }

}  // namespace kestrova::testing
