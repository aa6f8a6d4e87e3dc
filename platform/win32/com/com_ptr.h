// ComPtr: the owner of one reference to a COM interface.
#ifndef KESTROVA_PLATFORM_WIN32_COM_COM_PTR_H_
#define KESTROVA_PLATFORM_WIN32_COM_COM_PTR_H_

#include <unknwn.h>

#include <cstddef>
#include <utility>

namespace kestrova::win32 {

// Holds at most one reference to an interface T and releases it when it goes. Building from a raw
// pointer takes a reference of its own (AddRef); Attach and Detach hand a reference over without
// counting; Put releases what is held before it gives out the address for an out parameter; moving
// costs nothing.
template <typename T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}  // NOLINT(google-explicit-constructor): as a null pointer.

  // Shares `pointer`: takes a reference of its own.
  explicit ComPtr(T* pointer) noexcept : pointer_(pointer) { AddRefHeld(); }

  ComPtr(const ComPtr& other) noexcept : pointer_(other.pointer_) { AddRefHeld(); }
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(const ComPtr& other) noexcept {
    ComPtr(other).Swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    ComPtr(std::move(other)).Swap(*this);
    return *this;
  }
  ~ComPtr() { Reset(); }

  // Takes over a reference that the caller holds, without counting it again.
  [[nodiscard]] static ComPtr Attach(T* pointer) noexcept {
    ComPtr owner;
    owner.pointer_ = pointer;
    return owner;
  }

  // Gives up the reference without releasing it; the caller now owns it.
  [[nodiscard]] T* Detach() noexcept { return std::exchange(pointer_, nullptr); }

  // Releases the reference held, if any.
  void Reset() noexcept {
    if (T* held = std::exchange(pointer_, nullptr)) held->Release();
  }

  T* Get() const noexcept { return pointer_; }
  T* operator->() const noexcept { return pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }

  // Releases the reference held and returns the address for an out parameter that fills it.
  T** Put() noexcept {
    Reset();
    return &pointer_;
  }

  // Put for out parameters typed void** (QueryInterface, CoCreateInstance and their kin).
  void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

  // Hands a new reference to an out parameter; null when nothing is held.
  HRESULT CopyTo(T** out) const noexcept {
    if (out == nullptr) return E_POINTER;
    *out = pointer_;
    if (pointer_ != nullptr) pointer_->AddRef();
    return S_OK;
  }

  // Asks the object for interface `iid` (of type U); `out` is empty unless the result is S_OK.
  template <typename U>
  HRESULT QueryTo(REFIID iid, ComPtr<U>* out) const noexcept {
    if (out == nullptr) return E_POINTER;
    out->Reset();
    if (pointer_ == nullptr) return E_POINTER;
    return pointer_->QueryInterface(iid, out->PutVoid());
  }

  void Swap(ComPtr& other) noexcept { std::swap(pointer_, other.pointer_); }

 private:
  void AddRefHeld() const noexcept {
    if (pointer_ != nullptr) pointer_->AddRef();
  }

  T* pointer_ = nullptr;
};

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_WIN32_COM_COM_PTR_H_
