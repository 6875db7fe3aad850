#include "platform/win32/files/held_folder.h"

#include <cstddef>
#include <cstring>

#include "platform/win32/files/file_identity.h"
#include "platform/win32/windows/long_path.h"
#include "platform/win32/windows/system_calls.h"

namespace platform::win32 {

namespace {

// Others may read and write in the folder, but not rename or delete it
// while it is held.
constexpr ULONG kAllButDeletion = FILE_SHARE_READ | FILE_SHARE_WRITE;

ACCESS_MASK AccessFor(FolderUse use) {
  const ACCESS_MASK read = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
  return use == FolderUse::kRemove ? read | DELETE : read;
}

// A folder that is not there is a path not found, as the file service says
// of any folder it is given.
Status FolderStatus(Status status) {
  return status == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : status;
}

Status Checked(HANDLE folder, const FolderEntry* listed) {
  const DWORD attributes = AttributesOf(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastStatus();
  if (!IsFolder(attributes)) return ERROR_PATH_NOT_FOUND;
  if (IsHeldLink(folder, attributes) || (listed != nullptr && IsLink(*listed))) {
    return ERROR_REPARSE_ATTRIBUTE_CONFLICT;
  }
  return kErrorSuccess;
}

// Names the listing would take for patterns: no file has them.
bool HasWildcards(const std::wstring& name) {
  return name.find_first_of(L"*?<>\"") != std::wstring::npos;
}

bool IsDotEntry(const std::wstring& name) { return name == L"." || name == L".."; }

// A name no file system gives its own children; a hostile server may give
// any, and it must never be opened as a path.
bool IsUnsafeName(const std::wstring& name) {
  return name.empty() || name.find_first_of(L"\\/:") != std::wstring::npos;
}

// FileFullDirectoryInformation is what FindFirstFileExW asks for its basic
// level, and so what every file system a listing has ever worked on answers:
// NTFS, FAT and exFAT (Microsoft's fastfat sample, dirctrl.c), CDFS, UDF and
// SMB servers. Should one not implement it, FileDirectoryInformation, the
// class every file system must answer, gives the same fields.
bool IsClassNotImplemented(Status status) {
  return status == ERROR_INVALID_PARAMETER || status == ERROR_INVALID_FUNCTION ||
         status == ERROR_NOT_SUPPORTED || status == ERROR_INVALID_LEVEL;
}

// Both classes begin with the fields of FILE_DIRECTORY_INFORMATION; the full
// one has its name after one more field, EaSize, which holds a reparse
// point's tag instead (MS-FSCC 2.4.17). Without it the tag is not told.
FolderEntry EntryAt(const BYTE* at, bool full_class) {
  const auto& entry = *reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(at);
  const auto& full = *reinterpret_cast<const FILE_FULL_DIR_INFORMATION*>(at);
  const auto* name = reinterpret_cast<const wchar_t*>(full_class ? full.FileName : entry.FileName);
  return FolderEntry{std::wstring(name, entry.FileNameLength / sizeof(wchar_t)),
                     entry.FileAttributes,
                     full_class && IsReparsePoint(entry.FileAttributes) ? full.EaSize : 0,
                     FileStamp{static_cast<std::uint64_t>(entry.EndOfFile.QuadPart),
                               static_cast<std::uint64_t>(entry.LastWriteTime.QuadPart)}};
}

// The rename's information, with name as its target.
struct RenameInformation {
  std::vector<std::uint64_t> storage;
  ULONG size;

  RenameInformation(const std::wstring& name, HANDLE root, bool replace) {
    const ULONG name_bytes = static_cast<ULONG>(name.size() * sizeof(wchar_t));
    size = static_cast<ULONG>(sizeof(FILE_RENAME_INFORMATION)) + name_bytes;
    storage.assign(size / sizeof(std::uint64_t) + 1, 0);
    auto* const rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(storage.data());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = root;
    rename->FileNameLength = name_bytes;
    std::memcpy(rename->FileName, name.c_str(), name_bytes);
  }

  Status ApplyTo(HANDLE file) {
    IO_STATUS_BLOCK io{};
    return StatusOf(
        System.NtSetInformationFile(file, &io, storage.data(), size, FileRenameInformation));
  }
};

// False when the file system cannot be told: then only equal times count,
// and a file is at worst copied again.
bool VolumeKeepsTwoSecondTimes(HANDLE folder) {
  wchar_t name[MAX_PATH + 1];
  return ::GetVolumeInformationByHandleW(folder, nullptr, 0, nullptr, nullptr, nullptr, name,
                                         MAX_PATH + 1) &&
         KeepsTwoSecondTimes(name);
}

}  // namespace

// FileBasicInfo is the information class every file system answers, FAT
// and exFAT among them (fastfat's FatCommonQueryInformation), where
// FileAttributeTagInfo is refused with ERROR_INVALID_PARAMETER.
DWORD AttributesOf(HANDLE file) {
  FILE_BASIC_INFO basic;
  return System.GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)
             ? basic.FileAttributes
             : INVALID_FILE_ATTRIBUTES;
}

// No attributes at all would read as "leave them as they are".
Status SetAttributesOf(HANDLE file, DWORD attributes) {
  FILE_BASIC_INFO basic{};
  basic.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
  return System.SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic)
             ? kErrorSuccess
             : LastStatus();
}

// Asked only of a reparse point: FileAttributeTagInfo is answered by every
// file system that has them (FAT, which refuses it, has none).
bool IsHeldLink(HANDLE file, DWORD attributes) {
  if (!IsReparsePoint(attributes)) return false;
  FILE_ATTRIBUTE_TAG_INFO tag{};
  const bool asked =
      System.GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag) != FALSE;
  return IsLink(attributes, asked ? tag.ReparseTag : 0);
}

// FileDispositionInfo is answered by every file system that deletes at all
// (fastfat's FatSetDispositionInfo among them); a disc refuses it, and the
// media's removal is tidying only.
Status DeleteThroughHandle(HANDLE handle) {
  // Its one member is named DeleteFile, which Windows' headers rename.
  FILE_DISPOSITION_INFO disposition{TRUE};
  return System.SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                           sizeof disposition)
             ? kErrorSuccess
             : LastStatus();
}

Status Folder::Open(const std::wstring& path, FolderUse use, Folder* folder) {
  folder->path_ = path;
  folder->handle_.reset(
      ::CreateFileW(path.c_str(), AccessFor(use), kAllButDeletion, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder->handle_.valid()) return FolderStatus(LastStatus());
  return Checked(folder->get(), nullptr);
}

Status Folder::OpenFolder(const std::wstring& name, FolderUse use, bool make, Folder* child,
                          const FolderEntry* listed, bool* made) const {
  child->path_ = JoinPath(path_, name.c_str());
  const Status opened =
      OpenChild(name, AccessFor(use), &child->handle_, FILE_DIRECTORY_FILE, kAllButDeletion,
                make ? FILE_OPEN_IF : FILE_OPEN, FILE_ATTRIBUTE_NORMAL, false, made);
  if (opened != kErrorSuccess) return FolderStatus(opened);
  FolderEntry asked{};
  if (listed == nullptr) {
    const Status found = EntryOf(name, &asked);
    if (found != kErrorSuccess) return found;
    listed = &asked;
  }
  return Checked(child->get(), listed);
}

Status Folder::OpenChild(const std::wstring& name, ACCESS_MASK access, ScopedFileHandle* child,
                         ULONG options, ULONG share, ULONG disposition, ULONG attributes,
                         bool through_filter, bool* created) const {
  UNICODE_STRING counted = Counted(name);
  OBJECT_ATTRIBUTES object;
  InitializeObjectAttributes(&object, &counted, OBJ_CASE_INSENSITIVE, handle_.get(), nullptr);
  IO_STATUS_BLOCK io{};
  HANDLE opened = INVALID_HANDLE_VALUE;
  const Status status = StatusOf(System.NtCreateFile(
      &opened, access | SYNCHRONIZE, &object, &io, nullptr, attributes, share, disposition,
      options | (through_filter ? 0 : FILE_OPEN_REPARSE_POINT) | FILE_SYNCHRONOUS_IO_NONALERT,
      nullptr, 0));
  child->reset(status == kErrorSuccess ? opened : INVALID_HANDLE_VALUE);
  if (created != nullptr && status == kErrorSuccess && io.Information == FILE_CREATED) {
    *created = true;
  }
  return status;
}

Status Folder::List(std::vector<FolderEntry>* entries) const {
  return ListOnly(std::wstring(), entries);
}

// A handle keeps the first name it is asked for as long as it is open, so a
// name is asked of a handle of its own (an empty name reopens the folder
// itself, as ReOpenFile does).
Status Folder::EntryOf(const std::wstring& name, FolderEntry* entry) const {
  if (name.empty() || HasWildcards(name)) return ERROR_INVALID_NAME;
  ScopedFileHandle own;
  Status status = OpenChild(std::wstring(), FILE_LIST_DIRECTORY, &own, FILE_DIRECTORY_FILE);
  Folder asked;
  asked.handle_.reset(own.release());
  std::vector<FolderEntry> found;
  if (status == kErrorSuccess) status = asked.ListOnly(name, &found);
  if (status == kErrorSuccess && found.empty()) status = ERROR_FILE_NOT_FOUND;
  if (status == kErrorSuccess) *entry = found.front();
  return status;
}

// In batches large enough for a help folder in one or two calls. The end,
// or nothing of that name (a drive's root has no "." entry), ends the
// listing without a failure.
Status Folder::ListOnly(const std::wstring& only, std::vector<FolderEntry>* entries) const {
  std::vector<std::uint64_t> buffer(64 * 1024 / sizeof(std::uint64_t));
  UNICODE_STRING name = Counted(only);
  bool full_class = true;
  bool restart = true;
  for (;;) {
    IO_STATUS_BLOCK io{};
    const Status status = StatusOf(System.NtQueryDirectoryFile(
        handle_.get(), nullptr, nullptr, nullptr, &io, buffer.data(),
        static_cast<ULONG>(buffer.size() * sizeof(std::uint64_t)),
        full_class ? FileFullDirectoryInformation : FileDirectoryInformation, FALSE,
        only.empty() ? nullptr : &name, restart ? TRUE : FALSE));
    if (status != kErrorSuccess && restart && full_class && IsClassNotImplemented(status)) {
      full_class = false;
      continue;
    }
    restart = false;
    if (status == ERROR_NO_MORE_FILES || status == ERROR_FILE_NOT_FOUND) return kErrorSuccess;
    if (status != kErrorSuccess) return status;
    if (io.Information == 0) return kErrorSuccess;
    for (std::size_t next = 0;;) {
      const auto* at = reinterpret_cast<const BYTE*>(buffer.data()) + next;
      FolderEntry entry = EntryAt(at, full_class);
      if (IsUnsafeName(entry.name)) return ERROR_INVALID_NAME;
      if (!IsDotEntry(entry.name)) entries->push_back(std::move(entry));
      const ULONG offset = reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(at)->NextEntryOffset;
      if (offset == 0) break;
      next += offset;
    }
  }
}

// Wine (8.0) takes a bare name without a root for a path, and refuses it as
// STATUS_OBJECT_PATH_SYNTAX_BAD, which Windows never answers for it: there
// the name is given relative to this folder, the file's own, which every
// local file system of Windows takes too.
Status Folder::RenameInPlace(HANDLE file, const std::wstring& name, bool replace) const {
  const Status status = RenameInformation(name, nullptr, replace).ApplyTo(file);
  if (status != ERROR_BAD_PATHNAME) return status;
  return RenameInformation(name, handle_.get(), replace).ApplyTo(file);
}

Status Folder::Rename(const std::wstring& from, const std::wstring& to, bool replace) const {
  ScopedFileHandle file;
  const Status opened = OpenChild(from, DELETE, &file, FILE_NON_DIRECTORY_FILE);
  return opened != kErrorSuccess ? opened : RenameInPlace(file.get(), to, replace);
}

// On another machine the permissions are the server's (own_permissions.h).
bool Folder::OnAShare() const {
  if (!on_a_share_) {
    const NetworkPlace place = PlaceOf(path_);
    on_a_share_ = place == NetworkPlace::kShare || place == NetworkPlace::kMappedLetter;
  }
  return *on_a_share_;
}

bool Folder::KeepsTwoSecondTimes() const {
  if (!two_second_times_) two_second_times_ = VolumeKeepsTwoSecondTimes(get());
  return *two_second_times_;
}

bool Folder::GivesIdentities() const {
  if (!identities_) identities_ = HasIdentity(get());
  return *identities_;
}

}  // namespace platform::win32
