// The file-system service of an update on Windows.
#include <new>

#include "platform/file_system.h"
#include "platform/win32/already_in_place.h"
#include "platform/win32/copy_folder.h"
#include "platform/win32/delete_folder.h"
#include "platform/win32/file_identity.h"
#include "platform/win32/long_path.h"
#include "platform/win32/replace_file.h"
#include "platform/win32/temporary_files.h"

namespace platform {

namespace {

using win32::LastStatus;
using win32::LongPath;

class Win32FileSystem final : public FileSystemObject {
 public:
  Status CopyFile(const std::wstring& source, const std::wstring& destination) override {
    const std::wstring from = LongPath(source);
    // One call for the whole update: whether the source is read-only decides
    // whether the copy must be made writable, and its stamp whether it is
    // needed at all.
    WIN32_FILE_ATTRIBUTE_DATA media;
    if (!::GetFileAttributesExW(from.c_str(), GetFileExInfoStandard, &media)) return LastStatus();
    if (win32::IsFolder(media.dwFileAttributes)) return kErrorFileNotFound;
    const std::wstring to = LongPath(destination);
    // A file copied onto itself would always look already in place, so this
    // comes before the stamps are compared.
    if (win32::IsSameFile(from, to)) return kErrorSameFile;
    FileStamp installed;
    const bool exists = win32::StampOfPlainFile(to, &installed);
    if (exists) {
      const win32::Placement placement =
          win32::AlreadyInPlace(from, to)(win32::StampOf(media), installed);
      if (placement != win32::Placement::kCopy) return win32::StatusOf(placement);
    }
    // An earlier run killed while copying here may have left its temporary.
    win32::RemoveAbandonedTemporaries(to.substr(0, to.rfind(L'\\')));
    // The program itself must survive a power cut right after it was replaced.
    return win32::ReplaceFileWithCopy(
        from, media.dwFileAttributes, media.ftLastWriteTime, to, win32::Flush::kToDisk,
        exists ? win32::Installed::kPresent : win32::Installed::kAbsent);
  }

  Status DeleteFile(const std::wstring& path) override {
    if (::DeleteFileW(LongPath(path).c_str())) return kErrorSuccess;
    return LastStatus();
  }

  Status CopyFolder(const std::wstring& source, const std::wstring& destination) override {
    const std::wstring from = LongPath(source);
    const std::wstring to = LongPath(destination);
    // A copy into the source itself would feed on itself without end.
    if (win32::IsSameOrInside(to, from)) return kErrorSameFile;
    win32::AlreadyInPlace already_in_place(from, to);
    return win32::CopyFolderTree(from, to, already_in_place);
  }

  Status DeleteFolder(const std::wstring& path) override {
    const std::wstring folder = LongPath(path);
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return LastStatus();
    if (!win32::IsFolder(attributes)) return kErrorPathNotFound;
    return win32::DeleteFolderTree(folder, attributes);
  }

  bool FolderExists(const std::wstring& path) override {
    const DWORD attributes = ::GetFileAttributesW(LongPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && win32::IsFolder(attributes);
  }

  bool IsSameOrInside(const std::wstring& path, const std::wstring& other) override {
    return win32::IsSameOrInside(LongPath(path), LongPath(other));
  }
};

}  // namespace

std::unique_ptr<FileSystemObject> CreateFileSystemObject() {
  return std::unique_ptr<FileSystemObject>(new (std::nothrow) Win32FileSystem());
}

}  // namespace platform
