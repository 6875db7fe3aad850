#include "platform/win32/volume_times.h"

#include "platform/file_stamp.h"
#include "platform/win32/scoped_handle.h"

namespace platform::win32 {

bool KeepsTwoSecondTimesAt(const std::wstring& path) {
  const ScopedFileHandle file(OpenToQuery(path));
  if (!file.valid()) return false;
  wchar_t name[MAX_PATH + 1];
  if (!::GetVolumeInformationByHandleW(file.get(), nullptr, 0, nullptr, nullptr, nullptr, name,
                                       MAX_PATH + 1)) {
    return false;
  }
  return KeepsTwoSecondTimes(name);
}

}  // namespace platform::win32
