#include "platform/win32/copy_folder.h"

#include "platform/win32/folder_entries.h"
#include "platform/win32/long_path.h"
#include "platform/win32/replace_file.h"
#include "platform/win32/temporary_files.h"

namespace platform::win32 {

namespace {

// A destination folder that already exists is written into only when it is a
// real folder: through a link the copy would write outside the installation.
Status MakeDestinationFolder(const std::wstring& destination) {
  if (::CreateDirectoryW(destination.c_str(), nullptr)) return kErrorSuccess;
  const Status status = LastStatus();
  if (status != ERROR_ALREADY_EXISTS) return status;
  const DWORD attributes = ::GetFileAttributesW(destination.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastStatus();
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return ERROR_ALREADY_EXISTS;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return ERROR_REPARSE_ATTRIBUTE_CONFLICT;
  // An earlier run killed while copying into it may have left temporaries.
  RemoveAbandonedTemporaries(destination);
  return kErrorSuccess;
}

Status CopyEntry(const std::wstring& source_folder, const WIN32_FIND_DATAW& entry,
                 const std::wstring& destination_folder) {
  if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return kErrorSuccess;
  const std::wstring source = JoinPath(source_folder, entry.cFileName);
  const std::wstring destination = JoinPath(destination_folder, entry.cFileName);
  if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return CopyFolderTree(source, destination);
  }
  return ReplaceFileWithCopy(source, entry.dwFileAttributes, destination);
}

}  // namespace

Status CopyFolderTree(const std::wstring& source, const std::wstring& destination) {
  // The source is opened first, so that a missing source creates nothing.
  FolderEntries entries(source);
  if (entries.status() != kErrorSuccess) return entries.status();
  Status status = MakeDestinationFolder(destination);
  while (status == kErrorSuccess && entries.Next()) {
    status = CopyEntry(source, entries.Entry(), destination);
  }
  return status != kErrorSuccess ? status : entries.status();
}

}  // namespace platform::win32
