// A stand-in COM object that counts the AddRef and Release calls it receives.
#ifndef KESTROVA_TESTS_ADDIN_COM_COUNTING_UNKNOWN_H_
#define KESTROVA_TESTS_ADDIN_COM_COUNTING_UNKNOWN_H_

#include <unknwn.h>

namespace kestrova::testing {

// Answers QueryInterface for IUnknown only. It lives on the test's stack and is never deleted by
// Release; `references()` is the balance of AddRef and Release calls (0 when all are returned).
class CountingUnknown final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (!IsEqualIID(iid, IID_IUnknown)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    ++add_refs_;
    return static_cast<ULONG>(++references_);
  }
  ULONG STDMETHODCALLTYPE Release() override {
    ++releases_;
    return static_cast<ULONG>(--references_);
  }

  long references() const { return references_; }
  long add_refs() const { return add_refs_; }
  long releases() const { return releases_; }

 private:
  long references_ = 0;
  long add_refs_ = 0;
  long releases_ = 0;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_ADDIN_COM_COUNTING_UNKNOWN_H_
