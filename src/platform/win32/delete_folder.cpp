#include "platform/win32/delete_folder.h"

#include "platform/win32/directory_link.h"
#include "platform/win32/folder_entries.h"
#include "platform/win32/long_path.h"

namespace platform::win32 {

namespace {

bool Has(DWORD attributes, DWORD attribute) { return (attributes & attribute) != 0; }

void KeepFirst(Status& first, Status status) {
  if (first == kErrorSuccess) first = status;
}

Status DeleteEntry(const std::wstring& path, DWORD attributes) {
  // Without force, read-only content stays; the attribute comes with the
  // folder's entry, so no call is spent to be refused.
  if (Has(attributes, FILE_ATTRIBUTE_READONLY)) return ERROR_ACCESS_DENIED;
  if (Has(attributes, FILE_ATTRIBUTE_DIRECTORY)) return DeleteFolderTree(path, attributes);
  // A file link is removed as a link by DeleteFileW itself.
  if (::DeleteFileW(path.c_str())) return kErrorSuccess;
  return LastStatus();
}

Status DeleteContent(const std::wstring& folder) {
  Status first = kErrorSuccess;
  FolderEntries entries(folder);
  while (entries.Next()) {
    const WIN32_FIND_DATAW& entry = entries.Entry();
    KeepFirst(first, DeleteEntry(JoinPath(folder, entry.cFileName), entry.dwFileAttributes));
  }
  KeepFirst(first, entries.status());
  return first;
}

}  // namespace

Status DeleteFolderTree(const std::wstring& path, DWORD attributes) {
  if (Has(attributes, FILE_ATTRIBUTE_REPARSE_POINT)) return RemoveDirectoryLink(path);
  Status first = DeleteContent(path);
  if (first != kErrorSuccess) return first;
  if (Has(attributes, FILE_ATTRIBUTE_READONLY)) return ERROR_ACCESS_DENIED;
  if (::RemoveDirectoryW(path.c_str())) return kErrorSuccess;
  return LastStatus();
}

}  // namespace platform::win32
