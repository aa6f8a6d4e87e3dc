// IDispatch served from a type description, for one dual interface of an object.
#ifndef KESTROVA_ADDIN_COM_DISPATCH_FROM_TYPE_INFO_H_
#define KESTROVA_ADDIN_COM_DISPATCH_FROM_TYPE_INFO_H_

#include <oaidl.h>
#include <ole2.h>

#include "platform/win32/com/com_ptr.h"

namespace kestrova::com {

// Gives the interface (vtable) type description of one of an object's dual interfaces.
class TypeInfoSource {
 public:
  // Fills `info` with the description of interface `iid`; never throws.
  virtual HRESULT InterfaceTypeInfo(REFIID iid, ITypeInfo** info) noexcept = 0;

 protected:
  ~TypeInfoSource() = default;
};

// Implements the IDispatch half of the dual interface `Interface` (identified by `iid`): names and
// calls are resolved through its type description with DispGetIDsOfNames and DispInvoke, which
// call the object's own vtable methods. An object with several dual interfaces derives from one of
// these for each, so that each interface answers with its own description.
template <typename Interface>
class DispatchFromTypeInfo : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return source_.InterfaceTypeInfo(iid_, info);
  }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID reserved, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (!IsEqualIID(reserved, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    win32::ComPtr<ITypeInfo> info;
    const HRESULT found = source_.InterfaceTypeInfo(iid_, info.Put());
    if (FAILED(found)) return found;
    return DispGetIDsOfNames(info.Get(), names, count, ids);
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID reserved, LCID, WORD flags,
                                   DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) override {
    if (!IsEqualIID(reserved, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    win32::ComPtr<ITypeInfo> info;
    const HRESULT found = source_.InterfaceTypeInfo(iid_, info.Put());
    if (FAILED(found)) return found;
    return DispInvoke(static_cast<Interface*>(this), info.Get(), id, flags, parameters, result,
                      exception, argument_error);
  }

 protected:
  DispatchFromTypeInfo(REFIID iid, TypeInfoSource& source) noexcept : iid_(iid), source_(source) {}
  ~DispatchFromTypeInfo() = default;

 private:
  const IID iid_;
  TypeInfoSource& source_;
};

}  // namespace kestrova::com

#endif  // KESTROVA_ADDIN_COM_DISPATCH_FROM_TYPE_INFO_H_
