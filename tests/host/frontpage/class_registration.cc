#include "tests/host/frontpage/class_registration.h"

#include <windows.h>

#include <stdexcept>

namespace kestrova::testing {

class ClassObjectRegistration::Factory final : public IClassFactory {
 public:
  Factory(IUnknown* object, HRESULT refusal) : object_(object), refusal_(refusal) {}

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
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references_); }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    ++requested_;
    if (FAILED(refusal_)) return refusal_;
    const HRESULT result = object_->QueryInterface(iid, object);
    if (SUCCEEDED(result)) ++created_;
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  int created() const { return created_; }
  int requested() const { return requested_; }

 private:
  IUnknown* object_;
  HRESULT refusal_;
  int requested_ = 0;
  long references_ = 0;
  int created_ = 0;
};

ClassObjectRegistration::ClassObjectRegistration(const CLSID& class_id, IUnknown* object,
                                                 HRESULT refusal)
    : factory_(std::make_unique<Factory>(object, refusal)) {
  // In process only: CoCreateInstance with CLSCTX_SERVER finds it as well, and Wine need not
  // publish it to other processes.
  const HRESULT result = CoRegisterClassObject(class_id, factory_.get(), CLSCTX_INPROC_SERVER,
                                               REGCLS_MULTIPLEUSE, &cookie_);
  if (FAILED(result)) throw std::runtime_error("CoRegisterClassObject failed");
}

ClassObjectRegistration::~ClassObjectRegistration() { CoRevokeClassObject(cookie_); }

int ClassObjectRegistration::created() const { return factory_->created(); }

int ClassObjectRegistration::requested() const { return factory_->requested(); }

ProgIdRegistration::ProgIdRegistration(std::wstring prog_id, const CLSID& class_id, HKEY root)
    : root_(root),
      key_((root == HKEY_CURRENT_USER ? L"Software\\Classes\\" : L"") + std::move(prog_id)) {
  wchar_t text[40];
  StringFromGUID2(class_id, text, 40);
  HKEY key = nullptr;
  if (RegCreateKeyExW(root_, (key_ + L"\\CLSID").c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot write the ProgID");
  }
  const auto bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
  const LONG written =
      RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
  RegCloseKey(key);
  if (written != ERROR_SUCCESS) throw std::runtime_error("cannot write the ProgID");
}

ProgIdRegistration::~ProgIdRegistration() { RegDeleteTreeW(root_, key_.c_str()); }

}  // namespace kestrova::testing
