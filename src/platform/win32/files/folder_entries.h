// The entries of one held folder, read in batches through its handle, so
// that what is listed is what the handle holds, whatever its path now
// names. "." and ".." are left out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/status.h"
#include "platform/win32/files/held_folder.h"

namespace platform::win32 {

class FolderEntries {
 public:
  // only: the one name to list (FolderEntry's spelling comes from the
  // folder), or every entry when empty. A handle keeps the first name it is
  // asked for as long as it is open, so a name is asked of a handle of its
  // own. status() tells whether the folder could be read.
  explicit FolderEntries(HANDLE folder, const std::wstring& only = std::wstring());

  // Moves to the next entry; false at the end, or on a failure that status()
  // then reports: ERROR_INVALID_NAME for a name that is empty or holds a
  // path's separators, which is never opened.
  bool Next();

  const FolderEntry& Entry() const { return entry_; }
  Status status() const { return status_; }

 private:
  bool Fill();
  void Read();

  HANDLE folder_;
  std::wstring only_;
  std::vector<std::uint64_t> buffer_;
  std::size_t next_ = 0;  // offset of the next entry in the batch
  std::size_t filled_ = 0;
  bool first_ = true;
  bool full_class_ = true;
  FolderEntry entry_{};
  Status status_ = kErrorSuccess;
};

}  // namespace platform::win32
