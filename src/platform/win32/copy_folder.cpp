#include "platform/win32/copy_folder.h"

#include <vector>

#include "platform/win32/folder_entries.h"
#include "platform/win32/long_path.h"
#include "platform/win32/replace_file.h"
#include "platform/win32/temporary_files.h"

namespace platform::win32 {

namespace {

// A destination folder that already exists is written into only when it is a
// real folder: through a link the copy would write outside the installation.
// made tells whether the folder is new, and so holds nothing yet.
Status MakeDestinationFolder(const std::wstring& destination, bool& made) {
  made = ::CreateDirectoryW(destination.c_str(), nullptr) != FALSE;
  if (made) return kErrorSuccess;
  const Status status = LastStatus();
  if (status != ERROR_ALREADY_EXISTS) return status;
  const DWORD attributes = ::GetFileAttributesW(destination.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastStatus();
  if (!IsFolder(attributes)) return ERROR_ALREADY_EXISTS;
  if (IsLink(attributes)) return ERROR_REPARSE_ATTRIBUTE_CONFLICT;
  // An earlier run killed while copying into it may have left temporaries.
  RemoveAbandonedTemporaries(destination);
  return kErrorSuccess;
}

// The installed file is replaced under its own spelling, which the listing
// gives: a rename takes the case of the name it is given, and the installed
// name stays as the installer wrote it.
Status CopyFileEntry(const std::wstring& source_folder, const WIN32_FIND_DATAW& entry,
                     const std::wstring& destination_folder, const InstalledStamps& installed,
                     AlreadyInPlace& already_in_place) {
  const InstalledFile* there = installed.Find(entry.cFileName);
  if (there != nullptr) {
    const Placement placement = already_in_place(StampOf(entry), there->stamp);
    if (placement != Placement::kCopy) return StatusOf(placement);
  }
  return ReplaceFileWithCopy(
      JoinPath(source_folder, entry.cFileName), entry.dwFileAttributes, entry.ftLastWriteTime,
      JoinPath(destination_folder, there != nullptr ? there->name.c_str() : entry.cFileName),
      Flush::kNo, there != nullptr ? Installed::kPresent : Installed::kAbsent);
}

// Copies the folder's own files and collects the names of its subfolders.
// The installed folder's listing lives only for this, so that a walk holds
// one listing at a time whatever its depth.
Status CopyFiles(const std::wstring& source, const std::wstring& destination,
                 AlreadyInPlace& already_in_place, std::vector<std::wstring>& subfolders) {
  // The source is opened first, so that a missing source creates nothing.
  FolderEntries entries(source);
  if (entries.status() != kErrorSuccess) return entries.status();
  bool made = false;
  const Status made_status = MakeDestinationFolder(destination, made);
  if (made_status != kErrorSuccess) return made_status;
  const InstalledStamps installed = made ? InstalledStamps() : InstalledStamps(destination);
  if (installed.status() != kErrorSuccess) return installed.status();
  while (entries.Next()) {
    const WIN32_FIND_DATAW& entry = entries.Entry();
    if (IsLink(entry.dwFileAttributes)) continue;
    if (IsFolder(entry.dwFileAttributes)) {
      subfolders.push_back(entry.cFileName);
      continue;
    }
    const Status status = CopyFileEntry(source, entry, destination, installed, already_in_place);
    if (status != kErrorSuccess) return status;
  }
  return entries.status();
}

}  // namespace

// Each folder's files go before its subfolders.
Status CopyFolderTree(const std::wstring& source, const std::wstring& destination,
                      AlreadyInPlace& already_in_place) {
  std::vector<std::wstring> subfolders;
  Status status = CopyFiles(source, destination, already_in_place, subfolders);
  for (const std::wstring& name : subfolders) {
    if (status != kErrorSuccess) break;
    status = CopyFolderTree(JoinPath(source, name.c_str()), JoinPath(destination, name.c_str()),
                            already_in_place);
  }
  return status;
}

}  // namespace platform::win32
