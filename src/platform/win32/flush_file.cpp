#include "platform/win32/flush_file.h"

#include "platform/win32/scoped_handle.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

Status FlushToDisk(const std::wstring& path) {
  // FlushFileBuffers needs a handle with write access.
  const ScopedFileHandle file(::CreateFileW(
      path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastStatus();
  if (!::FlushFileBuffers(file.get())) return LastStatus();
  return kErrorSuccess;
}

}  // namespace platform::win32
