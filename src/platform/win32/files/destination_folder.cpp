#include "platform/win32/files/destination_folder.h"

#include <algorithm>

#include "platform/win32/files/file_identity.h"
#include "platform/win32/files/folder_entries.h"
#include "platform/win32/files/temporary_files.h"
#include "platform/win32/windows/long_path.h"

namespace platform::win32 {

namespace {

// False when the file system cannot be told: then only equal times count,
// and a file is at worst copied again.
bool VolumeKeepsTwoSecondTimes(HANDLE folder) {
  wchar_t name[MAX_PATH + 1];
  return ::GetVolumeInformationByHandleW(folder, nullptr, 0, nullptr, nullptr, nullptr, name,
                                         MAX_PATH + 1) &&
         KeepsTwoSecondTimes(name);
}

// Names compare as the file system compares them: without regard to case.
int Compare(const std::wstring& left, const std::wstring& right) {
  return ::CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE);
}

bool ComesBefore(const FolderEntry& entry, const std::wstring& name) {
  return Compare(entry.name, name) == CSTR_LESS_THAN;
}

}  // namespace

bool DestinationFolder::KeepTwoSecondTimes() {
  if (!two_second_times_) {
    two_second_times_ =
        VolumeKeepsTwoSecondTimes(media_.get()) || VolumeKeepsTwoSecondTimes(folder_.get());
  }
  return *two_second_times_;
}

bool DestinationFolder::GiveIdentities() {
  if (!identities_) identities_ = HasIdentity(media_.get()) && HasIdentity(folder_.get());
  return *identities_;
}

DestinationFolder::DestinationFolder(const HeldFolder& folder, const HeldFolder& media)
    : folder_(folder), media_(media), on_a_share_(PlaceOf(folder.path()) != NetworkPlace::kLocal) {
  status_ = List();
}

// One listing gives every installed stamp and spelling, so that telling
// which files are already in place costs no call per file, and the
// temporaries an earlier run killed while copying here left behind.
Status DestinationFolder::List() {
  FolderEntries entries(folder_.get());
  while (entries.Next()) {
    const FolderEntry& entry = entries.Entry();
    if (IsFolder(entry.attributes) || IsLink(entry)) continue;
    if (!RemoveIfAbandoned(folder_, entry.name)) installed_.push_back(entry);
  }
  std::sort(installed_.begin(), installed_.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return ComesBefore(a, b.name); });
  return entries.status();
}

const FolderEntry* DestinationFolder::Find(const std::wstring& name) const {
  const auto found = std::lower_bound(installed_.begin(), installed_.end(), name, ComesBefore);
  if (found == installed_.end() || Compare(found->name, name) != CSTR_EQUAL) return nullptr;
  return &*found;
}

Status DestinationFolder::Copy(const FolderEntry& media, const std::wstring& name, Copied copied) {
  const FolderEntry* there = Find(name);
  OwnPermissions permissions;
  if (there != nullptr) {
    Status not_copied = kErrorSuccess;
    if (!CopyNeeded(media.stamp, there->stamp, *this, &not_copied)) return not_copied;
    const Status read = permissions.Read(folder_, there->name, on_a_share_);
    if (read != kErrorSuccess) return read;
  }
  const std::wstring& destination = there != nullptr ? there->name : name;
  return ReplaceFileWithCopy(media_, media, folder_, destination, copied, permissions, new_file_);
}

namespace {

// Copies the folder's own files and collects its subfolders.
// The listings live only for this, so that a walk holds one listing at a
// time whatever its depth.
Status CopyFiles(const HeldFolder& source, const HeldFolder& destination,
                 std::vector<FolderEntry>& subfolders) {
  FolderEntries entries(source.get());
  DestinationFolder target(destination, source);
  if (target.status() != kErrorSuccess) return target.status();
  while (entries.Next()) {
    const FolderEntry& entry = entries.Entry();
    if (IsLink(entry)) continue;
    if (IsFolder(entry.attributes)) {
      subfolders.push_back(entry);
      continue;
    }
    const Status status = target.Copy(entry, entry.name, Copied::kHelpFile);
    if (status != kErrorSuccess) return status;
  }
  return entries.status();
}

}  // namespace

// Each folder's files go before its subfolders.
Status CopyFolderTree(const HeldFolder& source, const HeldFolder& destination) {
  std::vector<FolderEntry> subfolders;
  Status status = CopyFiles(source, destination, subfolders);
  for (const FolderEntry& entry : subfolders) {
    if (status != kErrorSuccess) break;
    HeldFolder from;
    HeldFolder to;
    status = source.OpenFolder(entry.name, HeldFolder::Use::kRead, false, &from, &entry);
    if (status == kErrorSuccess) {
      status = destination.OpenFolder(entry.name, HeldFolder::Use::kRead, true, &to);
    }
    if (status == kErrorSuccess) status = CopyFolderTree(from, to);
  }
  return status;
}

}  // namespace platform::win32
