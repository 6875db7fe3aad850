// Handles of the Win32 API that close themselves when they go out of scope.
#pragma once

#include "platform/win32/windows/windows_api.h"

namespace platform::win32 {

// kClose is the function that closes the handle; files and searches have
// INVALID_HANDLE_VALUE for none, other handles null.
template <typename Handle, auto kClose, bool kNoneIsInvalidHandleValue = false>
class ScopedHandle {
 public:
  explicit ScopedHandle(Handle handle = None()) : handle_(handle) {}
  ~ScopedHandle() { Close(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  Handle get() const { return handle_; }
  bool valid() const { return handle_ != None(); }
  void reset(Handle handle) {
    Close();
    handle_ = handle;
  }
  Handle release() {
    const Handle handle = handle_;
    handle_ = None();
    return handle;
  }

 private:
  static Handle None() {
    if constexpr (kNoneIsInvalidHandleValue) return INVALID_HANDLE_VALUE;
    return nullptr;
  }
  void Close() {
    if (valid()) kClose(handle_);
    handle_ = None();
  }

  Handle handle_;
};

using ScopedFileHandle = ScopedHandle<HANDLE, ::CloseHandle, true>;
// Processes, tokens and events.
using ScopedKernelHandle = ScopedHandle<HANDLE, ::CloseHandle>;
// Memory the system allocated for the caller to free (a security descriptor).
using ScopedLocalMemory = ScopedHandle<HLOCAL, ::LocalFree>;

}  // namespace platform::win32
