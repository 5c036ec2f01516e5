#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace notice::win32 {

struct DeleteGdiObject {
  void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};
struct DeleteDc {
  void operator()(HDC dc) const noexcept { DeleteDC(dc); }
};

struct FreeLocal {
  void operator()(void* memory) const noexcept { LocalFree(memory); }
};

template <typename Handle>
using GdiPtr = std::unique_ptr<std::remove_pointer_t<Handle>, DeleteGdiObject>;
using BitmapPtr = GdiPtr<HBITMAP>;
using FontPtr = GdiPtr<HFONT>;
using BrushPtr = GdiPtr<HBRUSH>;
using DcPtr = std::unique_ptr<std::remove_pointer_t<HDC>, DeleteDc>;
// What the system allocated for the caller with LocalAlloc (a SID's text, a security descriptor).
using LocalMemory = std::unique_ptr<void, FreeLocal>;

// Selects an object into a DC for the guard's lifetime: a DC must not be deleted, nor the object
// freed, while it is still selected.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectedObject() { SelectObject(dc_, previous_); }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// Sole owner of a kernel object's handle (a process, a token), closed with CloseHandle.
class KernelHandle {
 public:
  explicit KernelHandle(HANDLE handle = nullptr) noexcept : handle_(handle) {}
  ~KernelHandle() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) {
      CloseHandle(handle_);
    }
  }
  KernelHandle(KernelHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  KernelHandle(const KernelHandle&) = delete;
  KernelHandle& operator=(const KernelHandle&) = delete;
  KernelHandle& operator=(KernelHandle&&) = delete;
  HANDLE get() const noexcept { return handle_; }
  HANDLE* put() noexcept { return &handle_; }

 private:
  HANDLE handle_;
};

// The minimum of a COM smart pointer: sole owner of one reference.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  // For out-parameters: releases what is held first.
  T** put() noexcept {
    reset();
    return &p_;
  }
  void reset() noexcept {
    if (p_ != nullptr) {
      std::exchange(p_, nullptr)->Release();
    }
  }

 private:
  T* p_ = nullptr;
};

}  // namespace notice::win32
