#include "platform/win32/installed_stamps.h"

#include <algorithm>

#include "platform/win32/folder_entries.h"

namespace platform::win32 {

namespace {

// Names compare as the file system compares them: without regard to case.
int Compare(const std::wstring& left, const wchar_t* right) {
  return ::CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right, -1, TRUE);
}

}  // namespace

FileStamp StampOf(DWORD size_high, DWORD size_low, const FILETIME& write_time) {
  return FileStamp{(std::uint64_t{size_high} << 32) | size_low, Ticks(write_time)};
}

InstalledStamps::InstalledStamps(const std::wstring& folder) {
  FolderEntries entries(folder);
  while (entries.Next()) {
    const WIN32_FIND_DATAW& entry = entries.Entry();
    if ((entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
      continue;
    }
    files_.push_back(Installed{
        entry.cFileName, StampOf(entry.nFileSizeHigh, entry.nFileSizeLow, entry.ftLastWriteTime)});
  }
  status_ = entries.status();
  std::sort(files_.begin(), files_.end(), [](const Installed& a, const Installed& b) {
    return Compare(a.name, b.name.c_str()) == CSTR_LESS_THAN;
  });
}

const FileStamp* InstalledStamps::Find(const wchar_t* name) const {
  const auto found = std::lower_bound(
      files_.begin(), files_.end(), name,
      [](const Installed& a, const wchar_t* b) { return Compare(a.name, b) == CSTR_LESS_THAN; });
  if (found == files_.end() || Compare(found->name, name) != CSTR_EQUAL) return nullptr;
  return &found->stamp;
}

}  // namespace platform::win32
