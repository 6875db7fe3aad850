#include "platform/win32/files/folder_entries.h"

#include <cstddef>

#include "platform/win32/windows/system_calls.h"

namespace platform::win32 {

namespace {

constexpr std::size_t kBatchBytes = 64 * 1024;

// FileFullDirectoryInformation is what FindFirstFileExW asks for its basic
// level, and so what every file system a listing has ever worked on answers:
// NTFS, FAT and exFAT (Microsoft's fastfat sample, dirctrl.c), CDFS, UDF and
// SMB servers. Should one not implement it, FileDirectoryInformation, the
// class every file system must answer, gives the same fields.
bool IsClassNotImplemented(Status status) {
  return status == ERROR_INVALID_PARAMETER || status == ERROR_INVALID_FUNCTION ||
         status == ERROR_NOT_SUPPORTED || status == ERROR_INVALID_LEVEL;
}

bool IsDotEntry(const std::wstring& name) { return name == L"." || name == L".."; }

// A name no file system gives its own children; a hostile server may give
// any, and it must never be opened as a path.
bool IsUnsafeName(const std::wstring& name) {
  return name.empty() || name.find_first_of(L"\\/:") != std::wstring::npos;
}

}  // namespace

FolderEntries::FolderEntries(HANDLE folder, const std::wstring& only)
    : folder_(folder), only_(only), buffer_(kBatchBytes / sizeof(std::uint64_t)) {}

// The folder's own "." and ".." are passed over, wherever they come.
bool FolderEntries::Next() {
  do {
    if (next_ >= filled_ && !Fill()) return false;
    Read();
  } while (IsDotEntry(entry_.name));
  if (!IsUnsafeName(entry_.name)) return true;
  status_ = ERROR_INVALID_NAME;
  folder_ = nullptr;
  filled_ = 0;
  return false;
}

// Both classes begin with the fields of FILE_DIRECTORY_INFORMATION; the full
// one has its name after one more field, EaSize, which holds a reparse
// point's tag instead (MS-FSCC 2.4.17). Without it the tag is unknown.
void FolderEntries::Read() {
  const auto* at = reinterpret_cast<const BYTE*>(buffer_.data()) + next_;
  const auto& entry = *reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(at);
  const std::size_t name_at = full_class_ ? offsetof(FILE_FULL_DIR_INFORMATION, FileName)
                                          : offsetof(FILE_DIRECTORY_INFORMATION, FileName);
  const auto* name = reinterpret_cast<const wchar_t*>(at + name_at);
  entry_.name.assign(name, entry.FileNameLength / sizeof(wchar_t));
  entry_.attributes = entry.FileAttributes;
  entry_.reparse_tag = full_class_ && IsReparsePoint(entry.FileAttributes)
                           ? reinterpret_cast<const FILE_FULL_DIR_INFORMATION*>(at)->EaSize
                           : 0;
  entry_.stamp = FileStamp{static_cast<std::uint64_t>(entry.EndOfFile.QuadPart),
                           static_cast<std::uint64_t>(entry.LastWriteTime.QuadPart)};
  next_ = entry.NextEntryOffset == 0 ? filled_ : next_ + entry.NextEntryOffset;
}

bool FolderEntries::Fill() {
  if (folder_ == nullptr) return false;
  UNICODE_STRING name = Counted(only_);
  for (;;) {
    IO_STATUS_BLOCK io{};
    const auto kind = full_class_ ? FileFullDirectoryInformation : FileDirectoryInformation;
    const Status status = StatusOf(System.NtQueryDirectoryFile(
        folder_, nullptr, nullptr, nullptr, &io, buffer_.data(),
        static_cast<ULONG>(buffer_.size() * sizeof(std::uint64_t)), kind, FALSE,
        only_.empty() ? nullptr : &name, first_ ? TRUE : FALSE));
    if (status != kErrorSuccess && first_ && full_class_ && IsClassNotImplemented(status)) {
      full_class_ = false;
      continue;
    }
    first_ = false;
    next_ = 0;
    filled_ = status == kErrorSuccess ? io.Information : 0;
    // The end, or nothing of that name: a drive's root has no "." entry.
    if (status != kErrorSuccess && status != ERROR_NO_MORE_FILES &&
        status != ERROR_FILE_NOT_FOUND) {
      status_ = status;
    }
    if (filled_ == 0) folder_ = nullptr;
    return filled_ != 0;
  }
}

}  // namespace platform::win32
