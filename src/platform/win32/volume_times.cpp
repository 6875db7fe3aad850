#include "platform/win32/volume_times.h"

#include "platform/file_stamp.h"
#include "platform/win32/scoped_handle.h"

namespace platform::win32 {

bool KeepsTwoSecondTimesAt(const std::wstring& path) {
  // No access asked: a file a running program holds opens all the same, and
  // is not disturbed.
  ScopedFileHandle file(::CreateFileW(path.c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return false;
  wchar_t name[MAX_PATH + 1];
  if (!::GetVolumeInformationByHandleW(file.get(), nullptr, 0, nullptr, nullptr, nullptr, name,
                                       MAX_PATH + 1)) {
    return false;
  }
  return KeepsTwoSecondTimes(name);
}

}  // namespace platform::win32
