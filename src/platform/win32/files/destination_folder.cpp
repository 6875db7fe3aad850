#include "platform/win32/files/destination_folder.h"

#include <algorithm>

#include "platform/win32/files/file_identity.h"
#include "platform/win32/files/folder_entries.h"
#include "platform/win32/files/temporary_files.h"
#include "platform/win32/windows/long_path.h"
#include "platform/win32/windows/scoped_handle.h"

namespace platform::win32 {

namespace {

// False when the file system cannot be told: then only equal times count,
// and a file is at worst copied again.
bool VolumeKeepsTwoSecondTimes(const std::wstring& path) {
  const ScopedFileHandle file(OpenToQuery(path));
  wchar_t name[MAX_PATH + 1];
  return file.valid() &&
         ::GetVolumeInformationByHandleW(file.get(), nullptr, 0, nullptr, nullptr, nullptr, name,
                                         MAX_PATH + 1) &&
         KeepsTwoSecondTimes(name);
}

// Names compare as the file system compares them: without regard to case.
int Compare(const std::wstring& left, const wchar_t* right) {
  return ::CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right, -1, TRUE);
}

}  // namespace

bool DestinationFolder::KeepTwoSecondTimes() {
  if (!two_second_times_) {
    two_second_times_ =
        VolumeKeepsTwoSecondTimes(media_folder_) || VolumeKeepsTwoSecondTimes(path_);
  }
  return *two_second_times_;
}

bool DestinationFolder::GiveIdentities() {
  if (!identities_) identities_ = HasIdentity(media_folder_) && HasIdentity(path_);
  return *identities_;
}

DestinationFolder::DestinationFolder(const std::wstring& path, const std::wstring& media_folder,
                                     Kind kind)
    : path_(path), media_folder_(media_folder) {
  bool made = false;
  status_ = kind == Kind::kHelp ? MakeHelpFolder(&made) : kErrorSuccess;
  // A folder just made holds nothing to list.
  if (status_ == kErrorSuccess && !made) status_ = List();
}

Status DestinationFolder::MakeHelpFolder(bool* made) {
  *made = ::CreateDirectoryW(path_.c_str(), nullptr) != FALSE;
  if (*made) return kErrorSuccess;
  const Status status = LastStatus();
  if (status != ERROR_ALREADY_EXISTS) return status;
  const DWORD attributes = ::GetFileAttributesW(path_.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastStatus();
  if (!IsFolder(attributes)) return ERROR_ALREADY_EXISTS;
  if (IsLink(attributes)) return ERROR_REPARSE_ATTRIBUTE_CONFLICT;
  return kErrorSuccess;
}

// One listing gives every installed stamp and spelling, so that telling
// which files are already in place costs no call per file, and the
// temporaries an earlier run killed while copying here left behind.
Status DestinationFolder::List() {
  FolderEntries entries(path_);
  while (entries.Next()) {
    const WIN32_FIND_DATAW& entry = entries.Entry();
    if (!IsPlainFile(entry.dwFileAttributes)) continue;
    if (!RemoveIfAbandoned(path_, entry.cFileName)) {
      installed_.push_back({entry.cFileName, StampOf(entry)});
    }
  }
  std::sort(installed_.begin(), installed_.end(),
            [](const InstalledFile& a, const InstalledFile& b) {
              return Compare(a.name, b.name.c_str()) == CSTR_LESS_THAN;
            });
  return entries.status();
}

const DestinationFolder::InstalledFile* DestinationFolder::Find(const wchar_t* name) const {
  const auto found = std::lower_bound(installed_.begin(), installed_.end(), name,
                                      [](const InstalledFile& a, const wchar_t* b) {
                                        return Compare(a.name, b) == CSTR_LESS_THAN;
                                      });
  if (found == installed_.end() || Compare(found->name, name) != CSTR_EQUAL) return nullptr;
  return &*found;
}

Status DestinationFolder::Copy(const std::wstring& source, const WIN32_FIND_DATAW& media,
                               const wchar_t* name, Copied copied) {
  const InstalledFile* there = Find(name);
  OwnPermissions permissions;
  Status not_copied = kErrorSuccess;
  if (there != nullptr && !CopyNeeded(StampOf(media), there->stamp, *this, &not_copied)) {
    return not_copied;
  }
  const std::wstring destination = JoinPath(path_, there != nullptr ? there->name.c_str() : name);
  if (there != nullptr) {
    const Status read = permissions.Read(destination);
    if (read != kErrorSuccess) return read;
  }
  return ReplaceFileWithCopy(source, media, destination, copied, permissions, new_file_);
}

namespace {

// Copies the folder's own files and collects the names of its subfolders.
// The installed folder's listing lives only for this, so that a walk holds
// one listing at a time whatever its depth.
Status CopyFiles(const std::wstring& source, const std::wstring& destination,
                 std::vector<std::wstring>& subfolders) {
  // The source is opened first, so that a missing source creates nothing.
  FolderEntries entries(source);
  if (entries.status() != kErrorSuccess) return entries.status();
  DestinationFolder target(destination, source, DestinationFolder::Kind::kHelp);
  if (target.status() != kErrorSuccess) return target.status();
  while (entries.Next()) {
    const WIN32_FIND_DATAW& entry = entries.Entry();
    if (IsLink(entry.dwFileAttributes)) continue;
    if (IsFolder(entry.dwFileAttributes)) {
      subfolders.push_back(entry.cFileName);
      continue;
    }
    const Status status =
        target.Copy(JoinPath(source, entry.cFileName), entry, entry.cFileName, Copied::kHelpFile);
    if (status != kErrorSuccess) return status;
  }
  return entries.status();
}

}  // namespace

// Each folder's files go before its subfolders.
Status CopyFolderTree(const std::wstring& source, const std::wstring& destination) {
  std::vector<std::wstring> subfolders;
  Status status = CopyFiles(source, destination, subfolders);
  for (const std::wstring& name : subfolders) {
    if (status != kErrorSuccess) break;
    status = CopyFolderTree(JoinPath(source, name.c_str()), JoinPath(destination, name.c_str()));
  }
  return status;
}

}  // namespace platform::win32
