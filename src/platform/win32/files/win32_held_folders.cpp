// The held-folder primitives on Windows: each folder opened as itself and
// held (held_folder.h), everything in it relative to its handle.
#include <memory>
#include <new>

#include "platform/held_folders.h"
#include "platform/win32/files/file_holders.h"
#include "platform/win32/files/file_identity.h"
#include "platform/win32/files/temporary_files.h"
#include "platform/win32/files/write_beside.h"
#include "platform/win32/windows/long_path.h"
#include "platform/win32/windows/system_calls.h"

namespace platform {

namespace {

using win32::Folder;

const Folder& Held(const HeldFolder& folder) { return static_cast<const Folder&>(folder); }

Status Opened(std::unique_ptr<Folder> folder, Status status, platform::Held* held) {
  if (status == kErrorSuccess) *held = std::move(folder);
  return status;
}

// Children deleted a moment ago stay "delete pending" while a virus scanner
// or the indexer still holds them, and their folder answers that it is not
// empty until they are gone.
bool IsStillEmptying(Status status) { return status == ERROR_DIR_NOT_EMPTY; }

// Only what both the listing and the handle call a link is removed as one;
// where the platform opens a link's target all the same (Wine does), the
// two disagree and the link stays.
Status DeleteLink(const Folder& folder, const std::wstring& name) {
  win32::ScopedFileHandle link;
  const Status opened = folder.OpenChild(name, DELETE | FILE_READ_ATTRIBUTES, &link);
  if (opened != kErrorSuccess) return opened;
  const DWORD held = win32::AttributesOf(link.get());
  if (held == INVALID_FILE_ATTRIBUTES) return win32::LastStatus();
  if (!win32::IsHeldLink(link.get(), held)) return ERROR_NOT_A_REPARSE_POINT;
  return win32::DeleteThroughHandle(link.get());
}

// Opened as itself, a file that became a link since it was listed goes as
// a link; a folder that took its name is refused by the open. The open
// itself deletes it, once closed (FILE_DELETE_ON_CLOSE, as DeleteFileW does
// it): one call less per file than marking the handle. A read-only file
// refuses it (STATUS_CANNOT_DELETE, which is ERROR_ACCESS_DENIED).
Status DeleteFileIn(const Folder& folder, const std::wstring& name) {
  win32::ScopedFileHandle file;
  return folder.OpenChild(name, DELETE, &file, FILE_NON_DIRECTORY_FILE | FILE_DELETE_ON_CLOSE);
}

struct LockFile final : platform::HeldFile {
  win32::ScopedFileHandle handle;
};

class Win32HeldFolders final : public HeldFolders {
 public:
  std::wstring FullPath(const std::wstring& path) override { return win32::LongPath(path); }

  Status OpenFolder(const std::wstring& full_path, FolderUse use, platform::Held* folder) override {
    auto opened = std::make_unique<Folder>();
    const Status status = Folder::Open(full_path, use, opened.get());
    return Opened(std::move(opened), status, folder);
  }

  Status OpenChildFolder(const HeldFolder& parent, const std::wstring& name, FolderUse use,
                         bool make, const FolderEntry* listed, platform::Held* child,
                         bool* made) override {
    auto opened = std::make_unique<Folder>();
    const Status status = Held(parent).OpenFolder(name, use, make, opened.get(), listed, made);
    return Opened(std::move(opened), status, child);
  }

  Status List(const HeldFolder& folder, std::vector<FolderEntry>* entries) override {
    return Held(folder).List(entries);
  }

  Status EntryOf(const HeldFolder& folder, const std::wstring& name, FolderEntry* entry) override {
    return Held(folder).EntryOf(name, entry);
  }

  int CompareNames(const std::wstring& left, const std::wstring& right) override {
    return ::CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                  static_cast<int>(right.size()), TRUE) -
           CSTR_EQUAL;
  }

  bool KeepsTwoSecondTimes(const HeldFolder& folder) override {
    return Held(folder).KeepsTwoSecondTimes();
  }

  bool GivesIdentities(const HeldFolder& folder) override { return Held(folder).GivesIdentities(); }

  Status WriteBeside(const HeldFolder& media_folder, const FolderEntry& media,
                     const HeldFolder& folder, const FolderEntry* installed, Copied copied,
                     Written* written) override {
    return win32::WriteBeside(Held(media_folder), media, Held(folder), installed, copied, written);
  }

  Status PutWritten(const HeldFolder& folder, const WrittenFile& written,
                    const std::wstring& name) override {
    return win32::PutWritten(Held(folder), written, name);
  }

  Status Rename(const HeldFolder& folder, const std::wstring& from, const std::wstring& to,
                bool replace) override {
    return win32::WithRetries([&] { return Held(folder).Rename(from, to, replace); });
  }

  // The one open that deletes suffices but for a read-only file.
  Status DeleteOwn(const HeldFolder& folder, const std::wstring& name) override {
    const Status status = DeleteFileIn(Held(folder), name);
    return status == ERROR_ACCESS_DENIED ? win32::DeleteOwn(Held(folder), name) : status;
  }

  Status LockUpdate(const HeldFolder& folder, FileLock* lock) override {
    auto held = std::make_unique<LockFile>();
    const Status status = win32::LockUpdate(Held(folder), &held->handle);
    if (status == kErrorSuccess) *lock = std::move(held);
    return status;
  }

  Status WriteRecord(const HeldFolder& folder, const std::string& bytes,
                     std::wstring* name) override {
    return win32::WriteRecord(Held(folder), bytes, name);
  }

  Status ReadRecord(const HeldFolder& folder, const std::wstring& name, unsigned long maker,
                    std::string* bytes) override {
    return win32::ReadRecord(Held(folder), name, maker, bytes);
  }

  Status MakeDurable(const HeldFolder& folder, const std::wstring& name) override {
    return win32::MakeDurable(Held(folder), name);
  }

  Status DeleteChild(const HeldFolder& folder, const std::wstring& name, bool link) override {
    return link ? DeleteLink(Held(folder), name) : DeleteFileIn(Held(folder), name);
  }

  Status DeleteFolder(const HeldFolder& folder) override {
    const DWORD attributes = win32::AttributesOf(Held(folder).get());
    if (attributes == INVALID_FILE_ATTRIBUTES) return win32::LastStatus();
    if (IsReadOnly(attributes)) return ERROR_ACCESS_DENIED;
    return win32::WithRetries([&] { return win32::DeleteThroughHandle(Held(folder).get()); },
                              IsStillEmptying);
  }

  void RemoveAbandoned(const HeldFolder& folder, const std::wstring& name,
                       unsigned long maker) override {
    win32::RemoveAbandoned(Held(folder), name, maker);
  }

  Status FolderExists(const std::wstring& path, bool* exists) override {
    const DWORD attributes = win32::System.GetFileAttributesW(win32::LongPath(path).c_str());
    const Status status =
        attributes == INVALID_FILE_ATTRIBUTES ? win32::LastStatus() : kErrorSuccess;
    *exists = status == kErrorSuccess && IsFolder(attributes);
    const bool absent = status == kErrorFileNotFound || status == kErrorPathNotFound;
    return absent ? kErrorSuccess : status;
  }

  bool IsSameOrInside(const std::wstring& path, const std::wstring& other) override {
    return win32::IsSameOrInside(win32::LongPath(path), win32::LongPath(other));
  }

  std::vector<FileHolder> HoldersOf(const HeldFolder& folder, const std::wstring& name) override {
    return win32::HoldersOf(win32::JoinPath(Held(folder).path(), name.c_str()));
  }
};

}  // namespace

std::unique_ptr<HeldFolders> CreateHeldFolders() {
  return std::unique_ptr<HeldFolders>(new (std::nothrow) Win32HeldFolders());
}

}  // namespace platform
