// The class factory that COM gets from DllGetClassObject: one kind for every class of the record.
#ifndef KESTROVA_ADDIN_COM_CLASS_FACTORY_H_
#define KESTROVA_ADDIN_COM_CLASS_FACTORY_H_

#include <unknwn.h>

#include <atomic>

#include "addin/com/class_record.h"
#include "addin/com/module_state.h"

namespace kestrova::com {

// Creates objects of the class that its record describes: a new object for every request.
// Aggregation is refused. A factory counts as a live object of the DLL while it exists.
class ClassFactory final : public IClassFactory {
 public:
  // Makes a factory for `record` and queries it for `iid` into `factory`.
  static HRESULT Create(const ClassRecord& record, REFIID iid, void** factory) noexcept;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IClassFactory
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  explicit ClassFactory(const ClassRecord& record) noexcept : record_(record) {}
  ~ClassFactory() = default;

  const ClassRecord& record_;
  std::atomic<ULONG> references_{1};
  ModuleObjectCount counted_;
};

}  // namespace kestrova::com

#endif  // KESTROVA_ADDIN_COM_CLASS_FACTORY_H_
