#include "platform/win32/directory_link.h"

#include "platform/win32/scoped_handle.h"

namespace platform::win32 {

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
  if ((tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return ERROR_NOT_A_REPARSE_POINT;
  // Its one member is named DeleteFile, which Windows' headers rename.
  FILE_DISPOSITION_INFO disposition{TRUE};
  if (!::SetFileInformationByHandle(handle.get(), FileDispositionInfo, &disposition,
                                    sizeof disposition)) {
    return LastStatus();
  }
  return kErrorSuccess;
}

}  // namespace platform::win32
