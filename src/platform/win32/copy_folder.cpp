#include "platform/win32/copy_folder.h"

#include <vector>

#include "platform/win32/destination_folder.h"
#include "platform/win32/folder_entries.h"
#include "platform/win32/long_path.h"

namespace platform::win32 {

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
    const Status status = target.Copy(JoinPath(source, entry.cFileName), MediaFileOf(entry),
                                      entry.cFileName, Flush::kNo);
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
