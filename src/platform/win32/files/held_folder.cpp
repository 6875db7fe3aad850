#include "platform/win32/files/held_folder.h"

#include <cstring>
#include <vector>

#include "platform/win32/files/folder_entries.h"
#include "platform/win32/windows/long_path.h"
#include "platform/win32/windows/system_calls.h"

namespace platform::win32 {

namespace {

// Others may read and write in the folder, but not rename or delete it
// while it is held.
constexpr ULONG kAllButDeletion = FILE_SHARE_READ | FILE_SHARE_WRITE;

ACCESS_MASK AccessFor(HeldFolder::Use use) {
  const ACCESS_MASK read = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
  return use == HeldFolder::Use::kRemove ? read | DELETE : read;
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

// The rename's information, with name as its target.
struct RenameInformation {
  std::vector<std::uint64_t> storage;
  ULONG size;

  RenameInformation(const std::wstring& name, HANDLE root) {
    const ULONG name_bytes = static_cast<ULONG>(name.size() * sizeof(wchar_t));
    size = static_cast<ULONG>(sizeof(FILE_RENAME_INFORMATION)) + name_bytes;
    storage.assign(size / sizeof(std::uint64_t) + 1, 0);
    auto* const rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(storage.data());
    rename->ReplaceIfExists = TRUE;
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

// Names the listing would take for patterns: no file has them.
bool HasWildcards(const std::wstring& name) {
  return name.find_first_of(L"*?<>\"") != std::wstring::npos;
}

}  // namespace

// Asked only of a reparse point: FileAttributeTagInfo is answered by every
// file system that has them (FAT, which refuses it, has none).
bool IsHeldLink(HANDLE file, DWORD attributes) {
  if (!IsReparsePoint(attributes)) return false;
  FILE_ATTRIBUTE_TAG_INFO tag{};
  const bool asked =
      System.GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag) != FALSE;
  return IsLink(attributes, asked ? tag.ReparseTag : 0);
}

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

Status HeldFolder::Open(const std::wstring& path, Use use, HeldFolder* folder) {
  folder->path_ = LongPath(path);
  folder->handle_.reset(
      ::CreateFileW(folder->path_.c_str(), AccessFor(use), kAllButDeletion, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder->handle_.valid()) return FolderStatus(LastStatus());
  return Checked(folder->get(), nullptr);
}

Status HeldFolder::OpenFolder(const std::wstring& name, Use use, bool make, HeldFolder* child,
                              const FolderEntry* listed) const {
  child->path_ = JoinPath(path_, name.c_str());
  const Status opened =
      OpenChild(name, AccessFor(use), &child->handle_, FILE_DIRECTORY_FILE, kAllButDeletion,
                make ? FILE_OPEN_IF : FILE_OPEN, FILE_ATTRIBUTE_NORMAL);
  if (opened != kErrorSuccess) return FolderStatus(opened);
  FolderEntry asked{};
  if (listed == nullptr) {
    const Status found = EntryOf(name, &asked);
    if (found != kErrorSuccess) return found;
    listed = &asked;
  }
  return Checked(child->get(), listed);
}

Status HeldFolder::OpenChild(const std::wstring& name, ACCESS_MASK access, ScopedFileHandle* child,
                             ULONG options, ULONG share, ULONG disposition, ULONG attributes,
                             bool through_filter) const {
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
  return status;
}

// Asked of a handle opened for this alone (an empty name reopens the folder
// itself, as ReOpenFile does), since a handle keeps its first name.
Status HeldFolder::EntryOf(const std::wstring& name, FolderEntry* entry) const {
  if (name.empty() || HasWildcards(name)) return ERROR_INVALID_NAME;
  ScopedFileHandle own;
  const Status opened = OpenChild(std::wstring(), FILE_LIST_DIRECTORY, &own, FILE_DIRECTORY_FILE);
  if (opened != kErrorSuccess) return opened;
  FolderEntries entries(own.get(), name);
  if (entries.Next()) {
    *entry = entries.Entry();
    return kErrorSuccess;
  }
  return entries.status() != kErrorSuccess ? entries.status() : ERROR_FILE_NOT_FOUND;
}

// Wine (8.0) takes a bare name without a root for a path, and refuses it as
// STATUS_OBJECT_PATH_SYNTAX_BAD, which Windows never answers for it: there
// the name is given relative to this folder, the file's own, which every
// local file system of Windows takes too.
Status HeldFolder::RenameInPlace(HANDLE file, const std::wstring& name) const {
  const Status status = RenameInformation(name, nullptr).ApplyTo(file);
  if (status != ERROR_BAD_PATHNAME) return status;
  return RenameInformation(name, handle_.get()).ApplyTo(file);
}

}  // namespace platform::win32
