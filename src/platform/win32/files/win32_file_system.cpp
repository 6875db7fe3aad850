// The file-system service of an update on Windows.
#include <new>

#include "platform/file_system.h"
#include "platform/win32/files/delete_folder.h"
#include "platform/win32/files/destination_folder.h"
#include "platform/win32/files/file_identity.h"
#include "platform/win32/windows/long_path.h"

namespace platform {

namespace {

using win32::LastStatus;
using win32::LongPath;

class Win32FileSystem final : public FileSystemObject {
 public:
  Status CopyFile(const std::wstring& source, const std::wstring& destination) override {
    const std::wstring from = LongPath(source);
    WIN32_FIND_DATAW media;
    const win32::ScopedFindHandle found(::FindFirstFileExW(from.c_str(), FindExInfoBasic, &media,
                                                           FindExSearchNameMatch, nullptr, 0));
    if (!found.valid()) return LastStatus();
    if (win32::IsFolder(media.dwFileAttributes)) return kErrorFileNotFound;
    const std::wstring to = LongPath(destination);
    // A file copied onto itself would always look already in place.
    if (win32::IsSameOrInside(to, from)) return kErrorSameFile;
    const std::wstring::size_type cut = to.rfind(L'\\');
    const std::wstring folder = to.substr(0, cut);
    const std::wstring media_folder = from.substr(0, from.rfind(L'\\'));
    win32::DestinationFolder installation(folder, media_folder,
                                          win32::DestinationFolder::Kind::kInstallation);
    if (installation.status() != kErrorSuccess) return installation.status();
    // The program itself must survive a power cut right after it was replaced.
    return installation.Copy(from, media, to.c_str() + cut + 1, win32::Copied::kProgram);
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
    return win32::CopyFolderTree(from, to);
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
