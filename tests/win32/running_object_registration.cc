#include "tests/win32/running_object_registration.h"

#include <atomic>

namespace kestrova::testing {
namespace {

// A class factory that gives out one existing object; deleted at its last Release.
class InstanceFactory final : public IClassFactory {
 public:
  explicit InstanceFactory(IUnknown* instance) : instance_(instance) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return instance_->QueryInterface(iid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  ~InstanceFactory() = default;
  IUnknown* instance_;
  std::atomic<ULONG> references_{1};
};

}  // namespace

RunningObjectRegistration::RunningObjectRegistration(const CLSID& class_id, IUnknown* instance) {
  auto* factory = new InstanceFactory(instance);
  result_ =
      CoRegisterClassObject(class_id, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
  factory->Release();
}

RunningObjectRegistration::~RunningObjectRegistration() {
  if (SUCCEEDED(result_)) CoRevokeClassObject(cookie_);
}

}  // namespace kestrova::testing
