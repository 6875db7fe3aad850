#include "platform/win32/files/folder_entries.h"

#include "platform/win32/windows/long_path.h"

namespace platform::win32 {

namespace {

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

}  // namespace

// The basic information and large fetches spare the short names and most
// round trips; the attributes come with each entry, so no call per file is
// needed to learn them.
FolderEntries::FolderEntries(const std::wstring& folder) {
  find_.reset(::FindFirstFileExW(JoinPath(folder, L"*").c_str(), FindExInfoBasic, &entry_,
                                 FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (find_.valid()) {
    first_pending_ = true;
    return;
  }
  status_ = LastStatus();
  // Nothing found is an empty folder: a drive's root has no "." entry.
  if (status_ == ERROR_FILE_NOT_FOUND) status_ = kErrorSuccess;
}

bool FolderEntries::Next() {
  while (Advance()) {
    if (!IsDotEntry(entry_.cFileName)) return true;
  }
  return false;
}

bool FolderEntries::Advance() {
  if (first_pending_) {
    first_pending_ = false;
    return true;
  }
  if (!find_.valid()) return false;
  if (::FindNextFileW(find_.get(), &entry_)) return true;
  const Status status = LastStatus();
  if (status != ERROR_NO_MORE_FILES) status_ = status;
  find_.reset(INVALID_HANDLE_VALUE);
  return false;
}

}  // namespace platform::win32
