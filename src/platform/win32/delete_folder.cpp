#include "platform/win32/delete_folder.h"

#include "platform/win32/folder_entries.h"
#include "platform/win32/long_path.h"
#include "platform/win32/scoped_handle.h"

namespace platform::win32 {

namespace {

// RemoveDirectoryW would do on Windows, but where the platform resolves the
// link on opening it (Wine does), it removes the folder the link points to
// when that folder is empty. So the link is opened as a link, the handle is
// checked to be the link itself, and only then deleted through that handle.
Status RemoveDirectoryLink(const std::wstring& link) {
  ScopedFileHandle handle(
      ::CreateFileW(link.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle.valid()) return LastStatus();
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!::GetFileInformationByHandleEx(handle.get(), FileAttributeTagInfo, &tag, sizeof tag)) {
    return LastStatus();
  }
  if (!IsLink(tag.FileAttributes)) return ERROR_NOT_A_REPARSE_POINT;
  return DeleteThroughHandle(handle.get());
}

void KeepFirst(Status& first, Status status) {
  if (first == kErrorSuccess) first = status;
}

Status DeleteEntry(const std::wstring& path, DWORD attributes) {
  // Without force, read-only content stays; the attribute comes with the
  // folder's entry, so no call is spent to be refused.
  if (IsReadOnly(attributes)) return ERROR_ACCESS_DENIED;
  if (IsFolder(attributes)) return DeleteFolderTree(path, attributes);
  // A file link is removed as a link by DeleteFileW itself.
  if (::DeleteFileW(path.c_str())) return kErrorSuccess;
  return LastStatus();
}

Status DeleteContent(const std::wstring& folder) {
  Status first = kErrorSuccess;
  FolderEntries entries(folder);
  while (entries.Next()) {
    const WIN32_FIND_DATAW& entry = entries.Entry();
    KeepFirst(first, DeleteEntry(JoinPath(folder, entry.cFileName), entry.dwFileAttributes));
  }
  KeepFirst(first, entries.status());
  return first;
}

}  // namespace

Status DeleteThroughHandle(HANDLE handle) {
  // Its one member is named DeleteFile, which Windows' headers rename.
  FILE_DISPOSITION_INFO disposition{TRUE};
  if (::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition)) {
    return kErrorSuccess;
  }
  return LastStatus();
}

Status DeleteFolderTree(const std::wstring& path, DWORD attributes) {
  if (IsLink(attributes)) return RemoveDirectoryLink(path);
  Status first = DeleteContent(path);
  if (first != kErrorSuccess) return first;
  if (IsReadOnly(attributes)) return ERROR_ACCESS_DENIED;
  if (::RemoveDirectoryW(path.c_str())) return kErrorSuccess;
  return LastStatus();
}

}  // namespace platform::win32
