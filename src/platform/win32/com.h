// Small COM helpers for the shell port: the apartment of one call and an owning interface pointer.
#pragma once

#include "platform/win32/windows_include.h"

#include <objbase.h>

namespace qmb {

// Initialises COM for the calling thread while it lives (a thread that already has COM keeps it).
class ComScope {
 public:
  ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT result_;
};

template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() {
    if (ptr_) ptr_->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  T** put() { return &ptr_; }
  void** put_void() { return reinterpret_cast<void**>(&ptr_); }
  T* get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }

 private:
  T* ptr_ = nullptr;
};

}  // namespace qmb
