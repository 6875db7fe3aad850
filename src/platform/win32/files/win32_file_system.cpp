// The file-system service of an update on Windows. Each operation opens the
// folders it names once, by path, and works relative to them from there on.
#include <new>

#include "platform/file_system.h"
#include "platform/win32/files/delete_folder.h"
#include "platform/win32/files/destination_folder.h"
#include "platform/win32/files/file_holders.h"
#include "platform/win32/files/file_identity.h"
#include "platform/win32/files/replace_file.h"
#include "platform/win32/windows/long_path.h"
#include "platform/win32/windows/system_calls.h"

namespace platform {

namespace {

using win32::HeldFolder;
using win32::LongPath;

// The folder a long path names, held as itself: its parent is opened by
// path, it relative to that; made first when missing, if make.
Status OpenNamedFolder(const std::wstring& long_path, HeldFolder::Use use, bool make,
                       HeldFolder* folder) {
  const win32::PathParts parts = win32::SplitLast(long_path);
  if (parts.name.empty()) return HeldFolder::Open(parts.folder, use, folder);
  HeldFolder parent;
  const Status opened = HeldFolder::Open(parts.folder, HeldFolder::Use::kRead, &parent);
  if (opened != kErrorSuccess) return opened;
  return parent.OpenFolder(parts.name, use, make, folder);
}

class Win32FileSystem final : public FileSystemObject {
 public:
  Status CopyFile(const std::wstring& source, const std::wstring& destination) override {
    const std::wstring from = LongPath(source);
    const std::wstring to = LongPath(destination);
    const win32::PathParts media = win32::SplitLast(from);
    HeldFolder media_folder;
    Status status = HeldFolder::Open(media.folder, HeldFolder::Use::kRead, &media_folder);
    win32::FolderEntry program{};
    if (status == kErrorSuccess) status = media_folder.EntryOf(media.name, &program);
    if (status != kErrorSuccess) return status;
    if (win32::IsFolder(program.attributes)) return kErrorFileNotFound;
    // A link's own content is not the program; what it points to is not this
    // folder's.
    if (win32::IsLink(program)) return ERROR_REPARSE_ATTRIBUTE_CONFLICT;
    // A file copied onto itself would always look already in place.
    if (win32::IsSameOrInside(to, from)) return kErrorSameFile;
    const win32::PathParts installed = win32::SplitLast(to);
    HeldFolder installation;
    status = HeldFolder::Open(installed.folder, HeldFolder::Use::kRead, &installation);
    if (status != kErrorSuccess) return status;
    win32::DestinationFolder target(installation, media_folder);
    if (target.status() != kErrorSuccess) return target.status();
    // The program itself must survive a power cut right after it was replaced.
    return target.Copy(program, installed.name, win32::Copied::kProgram);
  }

  Status DeleteFile(const std::wstring& path) override {
    const win32::PathParts parts = win32::SplitLast(LongPath(path));
    HeldFolder folder;
    const Status opened = HeldFolder::Open(parts.folder, HeldFolder::Use::kRead, &folder);
    return opened != kErrorSuccess ? opened : win32::DeleteFileIn(folder, parts.name);
  }

  // The source is opened first, so that a missing source creates nothing.
  Status CopyFolder(const std::wstring& source, const std::wstring& destination) override {
    const std::wstring from = LongPath(source);
    const std::wstring to = LongPath(destination);
    // A copy into the source itself would feed on itself without end.
    if (win32::IsSameOrInside(to, from)) return kErrorSameFile;
    HeldFolder media;
    Status status = OpenNamedFolder(from, HeldFolder::Use::kRead, false, &media);
    HeldFolder installed;
    if (status == kErrorSuccess) {
      status = OpenNamedFolder(to, HeldFolder::Use::kRead, true, &installed);
    }
    return status != kErrorSuccess ? status : win32::CopyFolderTree(media, installed);
  }

  Status DeleteFolder(const std::wstring& path) override {
    HeldFolder folder;
    const Status opened = OpenNamedFolder(LongPath(path), HeldFolder::Use::kRemove, false, &folder);
    return opened != kErrorSuccess ? opened : win32::DeleteFolderTree(folder);
  }

  Status FolderExists(const std::wstring& path, bool* exists) override {
    const DWORD attributes = win32::System.GetFileAttributesW(LongPath(path).c_str());
    const Status status =
        attributes == INVALID_FILE_ATTRIBUTES ? win32::LastStatus() : kErrorSuccess;
    *exists = status == kErrorSuccess && win32::IsFolder(attributes);
    const bool absent = status == kErrorFileNotFound || status == kErrorPathNotFound;
    return absent ? kErrorSuccess : status;
  }

  bool IsSameOrInside(const std::wstring& path, const std::wstring& other) override {
    return win32::IsSameOrInside(LongPath(path), LongPath(other));
  }

  std::vector<FileHolder> HoldersOfHeldFile() override {
    const std::wstring& held = win32::LastHeldFile();
    return held.empty() ? std::vector<FileHolder>() : win32::HoldersOf(held);
  }
};

}  // namespace

std::unique_ptr<FileSystemObject> CreateFileSystemObject() {
  return std::unique_ptr<FileSystemObject>(new (std::nothrow) Win32FileSystem());
}

}  // namespace platform
