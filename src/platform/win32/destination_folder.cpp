#include "platform/win32/destination_folder.h"

#include <algorithm>

#include "platform/win32/folder_entries.h"
#include "platform/win32/long_path.h"
#include "platform/win32/temporary_files.h"

namespace platform::win32 {

namespace {

// Names compare as the file system compares them: without regard to case.
int Compare(const std::wstring& left, const wchar_t* right) {
  return ::CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right, -1, TRUE);
}

}  // namespace

DestinationFolder::DestinationFolder(const std::wstring& path, const std::wstring& media_folder,
                                     Kind kind)
    : path_(path), volumes_(media_folder, path) {
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

Status DestinationFolder::Copy(const std::wstring& source, const MediaFile& media,
                               const wchar_t* name, Flush flush) {
  const InstalledFile* there = Find(name);
  OwnPermissions permissions;
  if (there != nullptr) {
    switch (PlacementOf(media.stamp, there->stamp, volumes_)) {
      case Placement::kInPlace:
        return kErrorSuccess;
      case Placement::kUnsure:
        return kErrorSameFile;
      case Placement::kCopy:
        break;
    }
  }
  const std::wstring destination = JoinPath(path_, there != nullptr ? there->name.c_str() : name);
  if (there != nullptr) {
    const Status read = permissions.Read(destination);
    if (read != kErrorSuccess) return read;
  }
  return ReplaceFileWithCopy(source, media.attributes, media.write_time, destination, flush,
                             permissions, new_file_);
}

}  // namespace platform::win32
