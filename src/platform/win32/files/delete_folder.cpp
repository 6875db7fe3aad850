#include "platform/win32/files/delete_folder.h"

#include "platform/win32/files/folder_entries.h"
#include "platform/win32/windows/system_calls.h"

namespace platform::win32 {

namespace {

bool IsStillEmptying(Status status) { return status == ERROR_DIR_NOT_EMPTY; }

void KeepFirst(Status& first, Status status) {
  if (first == kErrorSuccess) first = status;
}

// Only what both the listing and the handle call a link is removed as one;
// where the platform opens a link's target all the same (Wine does), the
// two disagree and the link stays.
Status DeleteLink(const HeldFolder& folder, const FolderEntry& entry) {
  ScopedFileHandle link;
  const Status opened = folder.OpenChild(entry.name, DELETE | FILE_READ_ATTRIBUTES, &link);
  if (opened != kErrorSuccess) return opened;
  const DWORD held = AttributesOf(link.get());
  if (held == INVALID_FILE_ATTRIBUTES) return LastStatus();
  if (!IsHeldLink(link.get(), held)) return ERROR_NOT_A_REPARSE_POINT;
  return DeleteThroughHandle(link.get());
}

Status DeleteEntry(const HeldFolder& folder, const FolderEntry& entry) {
  // Without force, read-only content stays; the attribute comes with the
  // folder's entry, so no call is spent to be refused.
  if (IsReadOnly(entry.attributes)) return ERROR_ACCESS_DENIED;
  if (IsLink(entry)) return DeleteLink(folder, entry);
  if (!IsFolder(entry.attributes)) return DeleteFileIn(folder, entry.name);
  HeldFolder child;
  const Status opened =
      folder.OpenFolder(entry.name, HeldFolder::Use::kRemove, false, &child, &entry);
  return opened != kErrorSuccess ? opened : DeleteFolderTree(child);
}

}  // namespace

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

// Opened as itself, a file that became a link since it was listed goes as
// a link; a folder that took its name is refused by the open. The open
// itself deletes it, once closed (FILE_DELETE_ON_CLOSE, as DeleteFileW does
// it): one call less per file than marking the handle. A read-only file
// refuses it (STATUS_CANNOT_DELETE, which is ERROR_ACCESS_DENIED).
Status DeleteFileIn(const HeldFolder& folder, const std::wstring& name) {
  ScopedFileHandle file;
  return folder.OpenChild(name, DELETE, &file, FILE_NON_DIRECTORY_FILE | FILE_DELETE_ON_CLOSE);
}

Status DeleteFolderTree(const HeldFolder& folder) {
  Status first = kErrorSuccess;
  FolderEntries entries(folder.get());
  while (entries.Next()) KeepFirst(first, DeleteEntry(folder, entries.Entry()));
  KeepFirst(first, entries.status());
  if (first != kErrorSuccess) return first;
  const DWORD attributes = AttributesOf(folder.get());
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastStatus();
  if (IsReadOnly(attributes)) return ERROR_ACCESS_DENIED;
  // Children deleted a moment ago stay "delete pending" while a virus scanner
  // or the indexer still holds them, and their folder answers that it is not
  // empty until they are gone.
  return WithRetries([&] { return DeleteThroughHandle(folder.get()); }, IsStillEmptying);
}

}  // namespace platform::win32
