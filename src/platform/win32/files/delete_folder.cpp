#include "platform/win32/files/delete_folder.h"

#include <cstdint>
#include <vector>

#include "platform/win32/windows/long_path.h"
#include "platform/win32/windows/scoped_handle.h"

namespace platform::win32 {

namespace {

// The name itself, never what a link there points to, for deleting it and
// listing it. No other program may delete or rename it while this is open;
// a folder that one holds so cannot be deleted now anyway.
HANDLE OpenItself(const std::wstring& path) {
  return ::CreateFileW(path.c_str(), DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

void KeepFirst(Status& first, Status status) {
  if (first == kErrorSuccess) first = status;
}

Status DeleteEntry(const std::wstring& path, DWORD attributes) {
  // Without force, read-only content stays; the attribute comes with the
  // folder's entry, so no call is spent to be refused.
  if (IsReadOnly(attributes)) return ERROR_ACCESS_DENIED;
  if (IsFolder(attributes)) return DeleteFolderTree(path, attributes);
  // DeleteFileW removes a file link as a link, and refuses a folder that
  // took the file's name meanwhile.
  if (::DeleteFileW(path.c_str())) return kErrorSuccess;
  return LastStatus();
}

// The folder's entries, read in batches through its own handle.
Status DeleteContent(HANDLE folder, const std::wstring& path) {
  std::vector<std::uint64_t> buffer(64 * 1024 / sizeof(std::uint64_t));
  const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(std::uint64_t));
  Status first = kErrorSuccess;
  for (FILE_INFO_BY_HANDLE_CLASS batch = FileIdBothDirectoryRestartInfo;
       ::GetFileInformationByHandleEx(folder, batch, buffer.data(), size);
       batch = FileIdBothDirectoryInfo) {
    const auto* at = reinterpret_cast<const BYTE*>(buffer.data());
    for (;;) {
      const auto& entry = *reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
      const std::wstring name(entry.FileName, entry.FileNameLength / sizeof(wchar_t));
      if (name != L"." && name != L"..") {
        KeepFirst(first, DeleteEntry(JoinPath(path, name.c_str()), entry.FileAttributes));
      }
      if (entry.NextEntryOffset == 0) break;
      at += entry.NextEntryOffset;
    }
  }
  const Status ended = LastStatus();
  KeepFirst(first, ended == ERROR_NO_MORE_FILES ? kErrorSuccess : ended);
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
  const ScopedFileHandle folder(OpenItself(path));
  if (!folder.valid()) return LastStatus();
  FILE_ATTRIBUTE_TAG_INFO held;
  if (!::GetFileInformationByHandleEx(folder.get(), FileAttributeTagInfo, &held, sizeof held)) {
    return LastStatus();
  }
  // Only what both the listing and the handle call a link is removed as one;
  // where the platform opens a link's target all the same (Wine does), the
  // two disagree and the link stays.
  if (IsLink(attributes) || IsLink(held.FileAttributes)) {
    if (!IsLink(attributes) || !IsLink(held.FileAttributes)) return ERROR_NOT_A_REPARSE_POINT;
    return DeleteThroughHandle(folder.get());
  }
  if (!IsFolder(held.FileAttributes)) return ERROR_PATH_NOT_FOUND;
  const Status first = DeleteContent(folder.get(), path);
  if (first != kErrorSuccess) return first;
  if (IsReadOnly(held.FileAttributes)) return ERROR_ACCESS_DENIED;
  return DeleteThroughHandle(folder.get());
}

}  // namespace platform::win32
