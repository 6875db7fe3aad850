#include "platform/win32/files/own_permissions.h"

#include <aclapi.h>

#include "platform/win32/files/held_folder.h"
#include "platform/win32/windows/system_calls.h"

namespace platform::win32 {

namespace {

// A file that is not there has no permissions to keep, nor has one on a file
// system that keeps none (which may answer that it cannot say).
bool NothingToKeep(DWORD status) {
  return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND ||
         status == ERROR_NOT_SUPPORTED || status == ERROR_INVALID_FUNCTION;
}

bool IsOwnEntry(const ACE_HEADER& ace) { return (ace.AceFlags & INHERITED_ACE) == 0; }

// The DACL's own entries alone, in their order, in storage: the inherited
// ones are the folder's to give, and would otherwise be made the file's own.
Status OwnEntries(const ACL& dacl, std::vector<std::uint64_t>& storage) {
  storage.assign(dacl.AclSize / sizeof(std::uint64_t) + 1, 0);
  auto* const own = reinterpret_cast<ACL*>(storage.data());
  if (!::InitializeAcl(own, dacl.AclSize, dacl.AclRevision)) return LastStatus();
  for (DWORD index = 0; index < dacl.AceCount; ++index) {
    void* ace = nullptr;
    if (!::GetAce(const_cast<ACL*>(&dacl), index, &ace)) return LastStatus();
    const auto& header = *static_cast<ACE_HEADER*>(ace);
    if (!IsOwnEntry(header)) continue;
    if (!::AddAce(own, dacl.AclRevision, MAXDWORD, ace, header.AceSize)) return LastStatus();
  }
  return kErrorSuccess;
}

// The DACL and its protection as bytes, to compare as a whole.
std::vector<BYTE> Fingerprint(const ACL* dacl, bool is_protected) {
  std::vector<BYTE> bytes(1, is_protected ? 1 : 0);
  if (dacl != nullptr) {
    const auto* first = reinterpret_cast<const BYTE*>(dacl);
    bytes.insert(bytes.end(), first, first + dacl->AclSize);
  }
  return bytes;
}

}  // namespace

const std::vector<BYTE>& NewFilePermissions::Of(HANDLE new_file) {
  if (asked_) return answer_;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(new_file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                        &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return answer_;
  }
  const ScopedLocalMemory owned(descriptor);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (!::GetSecurityDescriptorControl(descriptor, &control, &revision)) return answer_;
  answer_ = Fingerprint(dacl, (control & SE_DACL_PROTECTED) != 0);
  asked_ = true;
  return answer_;
}

// On another machine the permissions are the server's: some make every
// file's entries up from its POSIX mode, so that each seems to have entries
// of its own, and may refuse to read or set them, where an administrator of
// this machine could not help. Nothing is kept there, and nothing set.
Status OwnPermissions::Read(const Folder& folder, const std::wstring& name, bool on_a_share) {
  const Status status = ReadDacl(folder, name);
  if ((status == kErrorSuccess && !needed_) || !on_a_share) return status;
  needed_ = false;
  return kErrorSuccess;
}

// Read through the file's own handle, opened as itself: the permissions of
// what a link points to are not the file's.
Status OwnPermissions::ReadDacl(const Folder& folder, const std::wstring& name) {
  ScopedFileHandle file;
  const Status opened = folder.OpenChild(name, READ_CONTROL, &file);
  if (opened != kErrorSuccess) return NothingToKeep(opened) ? kErrorSuccess : opened;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD status = System.GetSecurityInfo(file.get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                              nullptr, nullptr, &dacl_, nullptr, &descriptor);
  descriptor_.reset(descriptor);
  if (NothingToKeep(status)) return kErrorSuccess;
  if (status != ERROR_SUCCESS) return static_cast<Status>(status);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (!::GetSecurityDescriptorControl(descriptor, &control, &revision)) return LastStatus();
  // No DACL at all (a file system without permissions) leaves nothing to keep.
  if (dacl_ == nullptr) return kErrorSuccess;
  protected_ = (control & SE_DACL_PROTECTED) != 0;
  const Status own = OwnEntries(*dacl_, own_entries_);
  needed_ = protected_ || reinterpret_cast<const ACL*>(own_entries_.data())->AceCount != 0;
  return own;
}

// A replacement that has these very permissions already is left as it is:
// its folder gave it the same, or the file system makes them up alike for
// every file (Wine does, from the file's mode).
Status OwnPermissions::GiveTo(HANDLE replacement, NewFilePermissions& new_file) const {
  if (!needed_ || new_file.Of(replacement) == Fingerprint(dacl_, protected_)) {
    return kErrorSuccess;
  }
  // A protected DACL is set whole; otherwise only the file's own entries, and
  // the folder passes on the rest.
  const SECURITY_INFORMATION what =
      DACL_SECURITY_INFORMATION |
      (protected_ ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
  const auto* const own = reinterpret_cast<const ACL*>(own_entries_.data());
  ACL* const dacl = protected_ ? dacl_ : const_cast<ACL*>(own);
  return static_cast<Status>(
      System.SetSecurityInfo(replacement, SE_FILE_OBJECT, what, nullptr, nullptr, dacl, nullptr));
}

}  // namespace platform::win32
