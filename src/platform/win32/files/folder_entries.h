// The entries of one folder, read one at a time with a single find handle,
// so that walking a tree holds one handle per level and never a list of all
// its files. "." and ".." are left out.
#pragma once

#include <string>

#include "platform/status.h"
#include "platform/win32/windows/scoped_handle.h"

namespace platform::win32 {

class FolderEntries {
 public:
  // status() tells whether the folder could be read at all.
  explicit FolderEntries(const std::wstring& folder);

  // Moves to the next entry; false at the end, or on a failure that status()
  // then reports.
  bool Next();

  const WIN32_FIND_DATAW& Entry() const { return entry_; }
  Status status() const { return status_; }

 private:
  bool Advance();

  ScopedFindHandle find_;
  WIN32_FIND_DATAW entry_{};
  bool first_pending_ = false;
  Status status_ = kErrorSuccess;
};

}  // namespace platform::win32
