#include "platform/win32/replace_file.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/temporary_files.h"

namespace platform::win32 {

namespace {

// A destination in use (the program is running) is tried again for about two
// seconds: long enough for a program that is closing, short enough for a user
// waiting on the update.
constexpr int kMoveAttempts = 9;
constexpr DWORD kMoveRetryDelayMs = 250;
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_SYSTEM;

// One buffer for the whole run, large enough that a help file takes one read
// and one write; the copies go one after another.
constexpr DWORD kBufferSize = 1 << 20;

char* CopyBuffer() {
  static char* const buffer = static_cast<char*>(
      ::VirtualAlloc(nullptr, kBufferSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  return buffer;
}

// A write that stops short (a nearly full disk) is written on from where it
// stopped, so that a short copy never replaces a file.
Status WriteAll(HANDLE file, const char* data, DWORD size) {
  while (size > 0) {
    DWORD written = 0;
    if (!::WriteFile(file, data, size, &written, nullptr)) return LastStatus();
    // A write that takes nothing would be repeated for ever.
    if (written == 0) return ERROR_DISK_FULL;
    data += written;
    size -= written;
  }
  return kErrorSuccess;
}

// Only the file's data is read: its other streams (a mark of the web among
// them) stay behind on the media.
Status CopyData(const std::wstring& source, HANDLE to) {
  ScopedFileHandle from(::CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!from.valid()) return LastStatus();
  char* const buffer = CopyBuffer();
  if (buffer == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(from.get(), buffer, kBufferSize, &got, nullptr)) return LastStatus();
    if (got == 0) return kErrorSuccess;
    const Status status = WriteAll(to, buffer, got);
    if (status != kErrorSuccess) return status;
  }
}

// The copy keeps the source's attributes but read-only, which would block
// the next update: files copied from a disc arrive read-only.
DWORD TemporaryAttributes(DWORD source_attributes) {
  const DWORD kept = source_attributes & kSettableAttributes;
  return kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL;
}

Status FillTemporary(const std::wstring& source, const FILETIME& write_time, Flush flush,
                     HANDLE file) {
  Status status = CopyData(source, file);
  if (status != kErrorSuccess) return status;
  // The copy bears the source's time, so that the next run finds it in place.
  if (!::SetFileTime(file, nullptr, nullptr, &write_time)) return LastStatus();
  if (flush == Flush::kToDisk && !::FlushFileBuffers(file)) return LastStatus();
  return kErrorSuccess;
}

bool IsInUse(Status status) {
  return status == ERROR_SHARING_VIOLATION || status == ERROR_ACCESS_DENIED ||
         status == ERROR_LOCK_VIOLATION;
}

// The temporary takes the destination's name in one step, through its own
// handle, so that no other program can slip between copy and rename.
Status RenameOver(HANDLE file, const std::wstring& destination) {
  // The name in the system's native form, \??\ in place of the long form's
  // \\?\: Windows 7 hands it to the kernel as it is, and later versions
  // pass a name in that form through unchanged.
  if (destination.compare(0, 4, L"\\\\?\\") != 0) return ERROR_INVALID_NAME;
  std::wstring native = destination;
  native[1] = L'?';
  const DWORD name_bytes = static_cast<DWORD>(native.size() * sizeof(wchar_t));
  const DWORD size = static_cast<DWORD>(sizeof(FILE_RENAME_INFO)) + name_bytes;
  std::vector<std::uint64_t> storage(size / sizeof(std::uint64_t) + 1);
  auto* const rename = reinterpret_cast<FILE_RENAME_INFO*>(storage.data());
  rename->ReplaceIfExists = TRUE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = name_bytes;
  std::memcpy(rename->FileName, native.c_str(), name_bytes + sizeof(wchar_t));
  if (::SetFileInformationByHandle(file, FileRenameInfo, rename, size)) return kErrorSuccess;
  return LastStatus();
}

// An installed file that is read-only is replaced too. Its attributes are
// looked at only when the move was refused, so the usual case costs no extra
// call; they are put back when the move fails after all.
Status MoveIntoPlace(HANDLE file, const std::wstring& destination) {
  Status status = RenameOver(file, destination);
  DWORD lifted = INVALID_FILE_ATTRIBUTES;
  if (status == ERROR_ACCESS_DENIED) {
    const DWORD attributes = ::GetFileAttributesW(destination.c_str());
    // No wait makes a folder give way to a file.
    if (attributes != INVALID_FILE_ATTRIBUTES && IsFolder(attributes)) return status;
    if (attributes != INVALID_FILE_ATTRIBUTES && IsReadOnly(attributes) &&
        ::SetFileAttributesW(destination.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
      lifted = attributes;
      status = RenameOver(file, destination);
    }
  }
  for (int attempt = 1; attempt < kMoveAttempts && IsInUse(status); ++attempt) {
    ::Sleep(kMoveRetryDelayMs);
    status = RenameOver(file, destination);
  }
  if (status != kErrorSuccess && lifted != INVALID_FILE_ATTRIBUTES) {
    ::SetFileAttributesW(destination.c_str(), lifted);
  }
  return status;
}

}  // namespace

Status ReplaceFileWithCopy(const std::wstring& source, DWORD source_attributes,
                           const FILETIME& source_write_time, const std::wstring& destination,
                           Flush flush) {
  std::wstring temporary;
  ScopedFileHandle file;
  Status status =
      CreateTemporary(destination, TemporaryAttributes(source_attributes), &temporary, &file);
  if (status != kErrorSuccess) return status;
  status = FillTemporary(source, source_write_time, flush, file.get());
  if (status == kErrorSuccess) status = MoveIntoPlace(file.get(), destination);
  file.reset(INVALID_HANDLE_VALUE);
  // A copy that broke off (a full disk) may have left part of the file.
  if (status != kErrorSuccess) ::DeleteFileW(temporary.c_str());
  return status;
}

}  // namespace platform::win32
