#include "platform/destination_folder.h"

#include <algorithm>
#include <utility>

namespace platform {

DestinationFolder::DestinationFolder(HeldFolders& disk, Held folder, FolderPath path,
                                     const HeldFolder& media, UpdateStep& step)
    : disk_(disk), folder_(std::move(folder)), path_(std::move(path)), media_(media), step_(step) {
  status_ = List();
}

bool DestinationFolder::KeepTwoSecondTimes() {
  if (!two_second_times_) {
    two_second_times_ = disk_.KeepsTwoSecondTimes(media_) || disk_.KeepsTwoSecondTimes(*folder_);
  }
  return *two_second_times_;
}

bool DestinationFolder::GiveIdentities() {
  if (!identities_) identities_ = disk_.GivesIdentities(media_) && disk_.GivesIdentities(*folder_);
  return *identities_;
}

bool DestinationFolder::ComesBefore(const FolderEntry& entry, const std::wstring& name) const {
  return disk_.CompareNames(entry.name, name) < 0;
}

// One listing gives every installed stamp and spelling, so that telling
// which files are already in place costs no call per file, and the
// temporaries an earlier run killed while copying here left behind. A
// folder or a link of a temporary's name is someone else's, and stays.
Status DestinationFolder::List() {
  std::vector<FolderEntry> entries;
  const Status listed = disk_.List(*folder_, &entries);
  for (FolderEntry& entry : entries) {
    if (IsFolder(entry.attributes) || IsLink(entry)) continue;
    const unsigned long maker = MakerOfTemporary(entry.name);
    if (maker != 0) {
      disk_.RemoveAbandoned(*folder_, entry.name, maker);
    } else {
      installed_.push_back(std::move(entry));
    }
  }
  std::sort(installed_.begin(), installed_.end(),
            [this](const FolderEntry& a, const FolderEntry& b) { return ComesBefore(a, b.name); });
  return listed;
}

const FolderEntry* DestinationFolder::Find(const std::wstring& name) const {
  const auto found = std::lower_bound(
      installed_.begin(), installed_.end(), name,
      [this](const FolderEntry& entry, const std::wstring& n) { return ComesBefore(entry, n); });
  if (found == installed_.end() || disk_.CompareNames(found->name, name) != 0) return nullptr;
  return &*found;
}

Status DestinationFolder::Copy(const FolderEntry& media, const std::wstring& name, Copied copied) {
  const FolderEntry* there = Find(name);
  if (there != nullptr) {
    Status not_copied = kErrorSuccess;
    if (!CopyNeeded(media.stamp, there->stamp, *this, &not_copied)) return not_copied;
  }
  Written written;
  const Status status = disk_.WriteBeside(media_, media, *folder_, there, copied, &written);
  if (status == kErrorSuccess) {
    step_.NoteWritten(folder_, path_, there != nullptr ? there->name : name, std::move(written),
                      there != nullptr);
  }
  return status;
}

}  // namespace platform
