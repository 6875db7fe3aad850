// The stamps (size and last-write time) of every file in one installed
// folder, read from a single listing, so that telling which files are
// already in place costs no call per file.
#pragma once

#include <string>
#include <vector>

#include "platform/file_stamp.h"
#include "platform/status.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

// A stamp from the size and last-write time as the Win32 structures hold them.
FileStamp StampOf(DWORD size_high, DWORD size_low, const FILETIME& write_time);

class InstalledStamps {
 public:
  // Nothing is listed: a folder just made holds nothing.
  InstalledStamps() = default;
  // Lists folder; status() tells whether it could be read.
  explicit InstalledStamps(const std::wstring& folder);

  // The stamp of the plain file of that name; null when there is none.
  // Folders and links are never a file already in place.
  const FileStamp* Find(const wchar_t* name) const;
  Status status() const { return status_; }

 private:
  struct Installed {
    std::wstring name;
    FileStamp stamp;
  };
  std::vector<Installed> files_;  // sorted as the file system compares names
  Status status_ = kErrorSuccess;
};

}  // namespace platform::win32
