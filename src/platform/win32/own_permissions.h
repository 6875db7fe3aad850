// The permissions an installed file has of its own, carried over to the copy
// that replaces it. The copy is made beside the file and takes the folder's
// permissions; without this, an entry an administrator put on the file
// itself (or a file cut off from its folder's permissions) would be silently
// replaced by the folder's.
#pragma once

#include <string>

#include "platform/win32/scoped_handle.h"

namespace platform::win32 {

class OwnPermissions {
 public:
  // Reads the permissions of installed, once. A local file whose permissions
  // may not be read fails the copy (an elevated run may read them), so that
  // no entry is lost unseen.
  Status Read(const std::wstring& installed);

  // What the replacement's handle must be opened with for GiveTo: nothing
  // when the file only takes what its folder passes on, which is the usual
  // case and then costs no further call.
  DWORD Access() const { return needed_ ? READ_CONTROL | WRITE_DAC : 0; }

  // Gives the replacement, through its own handle, the file's permissions.
  // folder: where the replacement was made.
  Status GiveTo(HANDLE replacement, const std::wstring& folder) const;

 private:
  Status ReadDacl(const std::wstring& installed);

  ScopedLocalMemory descriptor_;
  PACL dacl_ = nullptr;
  bool protected_ = false;
  bool needed_ = false;
};

}  // namespace platform::win32
