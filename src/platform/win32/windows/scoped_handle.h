// Handles of the Win32 API that close themselves when they go out of scope.
#pragma once

#include "platform/win32/windows/windows_api.h"

namespace platform::win32 {

// Traits give the handle's invalid value and how it is closed.
template <typename Traits>
class ScopedHandle {
 public:
  using Handle = decltype(Traits::Invalid());

  explicit ScopedHandle(Handle handle = Traits::Invalid()) : handle_(handle) {}
  ~ScopedHandle() { Close(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  Handle get() const { return handle_; }
  bool valid() const { return handle_ != Traits::Invalid(); }
  void reset(Handle handle) {
    Close();
    handle_ = handle;
  }

 private:
  void Close() {
    if (valid()) Traits::Close(handle_);
    handle_ = Traits::Invalid();
  }

  Handle handle_;
};

struct FindHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { ::FindClose(handle); }
};

struct FileHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { ::CloseHandle(handle); }
};

// Process and token handles: null when there is none.
struct KernelHandleTraits {
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE handle) { ::CloseHandle(handle); }
};

struct RegistryKeyTraits {
  static HKEY Invalid() { return nullptr; }
  static void Close(HKEY key) { ::RegCloseKey(key); }
};

// Memory the system allocated for the caller to free (a security descriptor).
struct LocalMemoryTraits {
  static HLOCAL Invalid() { return nullptr; }
  static void Close(HLOCAL memory) { ::LocalFree(memory); }
};

using ScopedFindHandle = ScopedHandle<FindHandleTraits>;
using ScopedFileHandle = ScopedHandle<FileHandleTraits>;
using ScopedKernelHandle = ScopedHandle<KernelHandleTraits>;
using ScopedRegistryKey = ScopedHandle<RegistryKeyTraits>;
using ScopedLocalMemory = ScopedHandle<LocalMemoryTraits>;

}  // namespace platform::win32
