#pragma once

#include <windows.h>

#include <utility>

namespace base {

// A move-only owner of one handle. Closing keeps the thread's last error, so
// a failure can still be logged after the cleanup that follows it.
template <typename Traits>
class ScopedGeneric {
 public:
  using Handle = typename Traits::Handle;

  ScopedGeneric() = default;
  explicit ScopedGeneric(Handle handle) : handle_(handle) {}
  ~ScopedGeneric() { Close(); }
  ScopedGeneric(ScopedGeneric&& other) noexcept : handle_(other.Take()) {}
  ScopedGeneric& operator=(ScopedGeneric&& other) noexcept {
    Reset(other.Take());
    return *this;
  }
  ScopedGeneric(const ScopedGeneric&) = delete;
  ScopedGeneric& operator=(const ScopedGeneric&) = delete;

  bool IsValid() const { return Traits::IsValid(handle_); }
  Handle Get() const { return handle_; }
  Handle Take() { return std::exchange(handle_, Traits::Null()); }
  void Reset(Handle handle = Traits::Null()) {
    if (handle != handle_) {
      Close();
      handle_ = handle;
    }
  }
  // For APIs that fill a handle through an out parameter.
  Handle* Receive() {
    Reset();
    return &handle_;
  }

 private:
  void Close() {
    if (Traits::IsValid(handle_)) {
      const DWORD error = ::GetLastError();
      Traits::Close(handle_);
      ::SetLastError(error);
    }
    handle_ = Traits::Null();
  }

  Handle handle_ = Traits::Null();
};

struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Null() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::FindClose(h); }
};

struct RegKeyTraits {
  using Handle = HKEY;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::RegCloseKey(h); }
};

struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::FreeLibrary(h); }
};

struct WindowTraits {
  using Handle = HWND;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DestroyWindow(h); }
};

struct LocalMemoryTraits {
  using Handle = HLOCAL;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::LocalFree(h); }
};

struct MappedViewTraits {
  using Handle = const void*;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::UnmapViewOfFile(h); }
};

struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DeleteObject(h); }
};

struct IconTraits {
  using Handle = HICON;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DestroyIcon(h); }
};

using ScopedHandle = ScopedGeneric<KernelHandleTraits>;
using ScopedFindHandle = ScopedGeneric<FindHandleTraits>;
using ScopedRegKey = ScopedGeneric<RegKeyTraits>;
using ScopedModule = ScopedGeneric<ModuleTraits>;
using ScopedWindow = ScopedGeneric<WindowTraits>;
using ScopedLocalMemory = ScopedGeneric<LocalMemoryTraits>;
using ScopedMappedView = ScopedGeneric<MappedViewTraits>;
using ScopedGdiObject = ScopedGeneric<GdiObjectTraits>;
using ScopedIcon = ScopedGeneric<IconTraits>;

}  // namespace base
