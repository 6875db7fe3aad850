// The file-system service of an update on Windows.
#include <new>

#include "platform/file_stamp.h"
#include "platform/file_system.h"
#include "platform/win32/copy_folder.h"
#include "platform/win32/delete_folder.h"
#include "platform/win32/file_identity.h"
#include "platform/win32/installed_stamps.h"
#include "platform/win32/long_path.h"
#include "platform/win32/replace_file.h"
#include "platform/win32/temporary_files.h"
#include "platform/win32/volume_times.h"
#include "platform/win32/windows_api.h"

namespace platform {

namespace {

using win32::LastStatus;
using win32::LongPath;

FileStamp StampOf(const WIN32_FILE_ATTRIBUTE_DATA& data) {
  return win32::StampOf(data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime);
}

bool IsTwoSecondTimes(const std::wstring& source, const std::wstring& destination) {
  return win32::KeepsTwoSecondTimesAt(source) || win32::KeepsTwoSecondTimesAt(destination);
}

// The installed file is left as it is when it has the media file's stamp, so
// that an unchanged program that is running is not disturbed.
bool IsInstalledAlready(const std::wstring& from, const WIN32_FILE_ATTRIBUTE_DATA& source,
                        const std::wstring& to) {
  WIN32_FILE_ATTRIBUTE_DATA installed;
  if (!::GetFileAttributesExW(to.c_str(), GetFileExInfoStandard, &installed)) return false;
  if ((installed.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
      0) {
    return false;
  }
  const FileStamp media = StampOf(source);
  const FileStamp there = StampOf(installed);
  // The volumes are asked only when equal times alone do not settle it.
  return IsAlreadyInPlace(media, there, false) ||
         (IsAlreadyInPlace(media, there, true) && IsTwoSecondTimes(from, to));
}

class Win32FileSystem final : public FileSystemObject {
 public:
  Status CopyFile(const std::wstring& source, const std::wstring& destination) override {
    const std::wstring from = LongPath(source);
    // One call for the whole update: whether the source is read-only decides
    // whether the copy must be made writable, and its stamp whether it is
    // needed at all.
    WIN32_FILE_ATTRIBUTE_DATA source_data;
    if (!::GetFileAttributesExW(from.c_str(), GetFileExInfoStandard, &source_data)) {
      return LastStatus();
    }
    if ((source_data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return kErrorFileNotFound;
    const std::wstring to = LongPath(destination);
    // A file copied onto itself, under whatever name, would leave nothing to
    // tell old from new; and it would always look already in place, so this
    // comes before the stamps are compared.
    if (win32::IsSameFile(from, to)) return kErrorInvalidParameter;
    if (IsInstalledAlready(from, source_data, to)) return kErrorSuccess;
    // An earlier run killed while copying here may have left its temporary.
    win32::RemoveAbandonedTemporaries(to.substr(0, to.rfind(L'\\')));
    // The program itself must survive a power cut right after it was replaced.
    return win32::ReplaceFileWithCopy(from, source_data.dwFileAttributes,
                                      source_data.ftLastWriteTime, to, true);
  }

  Status DeleteFile(const std::wstring& path) override {
    if (::DeleteFileW(LongPath(path).c_str())) return kErrorSuccess;
    return LastStatus();
  }

  Status CopyFolder(const std::wstring& source, const std::wstring& destination) override {
    const std::wstring from = LongPath(source);
    const std::wstring to = LongPath(destination);
    // A copy into the source itself would feed on itself without end.
    if (win32::IsSameOrInsideFolder(to, from)) return kErrorInvalidParameter;
    return win32::CopyFolderTree(from, to, IsTwoSecondTimes(from, to));
  }

  Status DeleteFolder(const std::wstring& path) override {
    const std::wstring folder = LongPath(path);
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return LastStatus();
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return kErrorPathNotFound;
    return win32::DeleteFolderTree(folder, attributes);
  }

  bool FolderExists(const std::wstring& path) override {
    const DWORD attributes = ::GetFileAttributesW(LongPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }

  bool IsSameOrInside(const std::wstring& path, const std::wstring& folder) override {
    return win32::IsSameOrInsideFolder(LongPath(path), LongPath(folder));
  }
};

}  // namespace

std::unique_ptr<FileSystemObject> CreateFileSystemObject() {
  return std::unique_ptr<FileSystemObject>(new (std::nothrow) Win32FileSystem());
}

}  // namespace platform
