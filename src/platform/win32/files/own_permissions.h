// The permissions an installed file has of its own, carried over to the copy
// that replaces it. The copy is made beside the file and takes the folder's
// permissions; without this, an entry an administrator put on the file
// itself (or a file cut off from its folder's permissions) would be silently
// replaced by the folder's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/windows/scoped_handle.h"

namespace platform::win32 {

class Folder;

// What a new file made in one folder gets there: every file this run makes
// in that folder gets the same, so the first one is asked and the answer
// kept for the others (a query costs a tenth of a millisecond under Wine,
// which asks for this for every file).
class NewFilePermissions {
 public:
  // The DACL and its protection, as bytes, of new, a file just made there;
  // empty when they cannot be read.
  const std::vector<BYTE>& Of(HANDLE new_file);

 private:
  std::vector<BYTE> answer_;
  bool asked_ = false;
};

class OwnPermissions {
 public:
  // Reads the permissions of the file name in folder, once. A local file
  // whose permissions may not be read fails the copy (an elevated run may
  // read them), so that no entry is lost unseen. on_a_share: whether the
  // folder lies on another machine, whose permissions are the server's.
  Status Read(const Folder& folder, const std::wstring& name, bool on_a_share);

  // What the replacement's handle must be opened with for GiveTo: nothing
  // when the file only takes what its folder passes on, which is the usual
  // case and then costs no further call.
  DWORD Access() const { return needed_ ? READ_CONTROL | WRITE_DAC : 0; }

  // Gives the replacement, through its own handle, the file's permissions,
  // unless a new file in its folder gets those already.
  Status GiveTo(HANDLE replacement, NewFilePermissions& new_file) const;

 private:
  Status ReadDacl(const Folder& folder, const std::wstring& name);

  ScopedLocalMemory descriptor_;
  PACL dacl_ = nullptr;
  // Its entries of its own, as an ACL: the inherited ones are the folder's.
  std::vector<std::uint64_t> own_entries_;
  bool protected_ = false;
  bool needed_ = false;
};

}  // namespace platform::win32
