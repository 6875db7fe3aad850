#include "platform/win32/files/replace_file.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/elevation/publisher_signature.h"
#include "platform/win32/files/delete_folder.h"
#include "platform/win32/windows/system_calls.h"
#include "platform/win32/files/temporary_files.h"
#include "platform/win32/windows/scoped_handle.h"

namespace platform::win32 {

namespace {

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

// A virus scanner may be reading a media file that was just written.
Status OpenSource(const std::wstring& source, ScopedFileHandle& from) {
  return WithRetries([&] {
    from.reset(::CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return from.valid() ? kErrorSuccess : LastStatus();
  });
}

// Only the file's data is read: its other streams (a mark of the web among
// them) stay behind on the media.
Status CopyData(const std::wstring& source, HANDLE to) {
  ScopedFileHandle from;
  const Status opened = OpenSource(source, from);
  if (opened != kErrorSuccess) return opened;
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

Status FillTemporary(const std::wstring& source, const FILETIME& write_time, Copied copied,
                     HANDLE file) {
  Status status = CopyData(source, file);
  if (status != kErrorSuccess) return status;
  // The copy bears the source's time, so that the next run finds it in place.
  if (!::SetFileTime(file, nullptr, nullptr, &write_time)) return LastStatus();
  if (copied == Copied::kProgram && !::FlushFileBuffers(file)) return LastStatus();
  return kErrorSuccess;
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
  if (System.SetFileInformationByHandle(file, FileRenameInfo, rename, size)) return kErrorSuccess;
  return LastStatus();
}

// A refused rename asks the file itself (the running program, a help page in
// a viewer) whether it is held; the folder is known to be writable, since the
// temporary is in it.
Status WhyRefused(const std::wstring& destination) {
  const ScopedFileHandle probe(System.CreateFileW(
      destination.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  return RefusalOfRename(probe.valid() ? kErrorSuccess : LastStatus());
}

// An installed file that is read-only is replaced too. Its attributes are
// looked at only when the move was refused, so the usual case costs no extra
// call; *lifted keeps them, to be put back when the move fails after all.
Status MoveOnce(HANDLE file, const std::wstring& destination, DWORD* lifted) {
  Status status = RenameOver(file, destination);
  if (status != ERROR_ACCESS_DENIED) return status;
  if (*lifted == INVALID_FILE_ATTRIBUTES) {
    const DWORD attributes = ::GetFileAttributesW(destination.c_str());
    // No wait makes a folder give way to a file.
    if (attributes != INVALID_FILE_ATTRIBUTES && IsFolder(attributes)) return status;
    if (attributes != INVALID_FILE_ATTRIBUTES && IsReadOnly(attributes)) {
      // Changing attributes is not refused for another program's hold, so a
      // refusal here is this user's rights: final, whatever holds the file.
      if (!System.SetFileAttributesW(destination.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
        return LastStatus();
      }
      *lifted = attributes;
      status = RenameOver(file, destination);
      if (status != ERROR_ACCESS_DENIED) return status;
    }
  }
  return WhyRefused(destination);
}

Status MoveIntoPlace(HANDLE file, const std::wstring& destination) {
  DWORD lifted = INVALID_FILE_ATTRIBUTES;
  const Status status = WithRetries([&] { return MoveOnce(file, destination, &lifted); });
  if (status != kErrorSuccess && lifted != INVALID_FILE_ATTRIBUTES) {
    ::SetFileAttributesW(destination.c_str(), lifted);
  }
  return status;
}

// A copy that broke off (a full disk) may have left part of the file. It is
// deleted through its own handle, so that a virus scanner that opened it
// meanwhile without sharing its deletion cannot keep it; by name only when
// that fails.
void Discard(ScopedFileHandle& file, const std::wstring& temporary) {
  const bool marked = DeleteThroughHandle(file.get()) == kErrorSuccess;
  file.reset(INVALID_HANDLE_VALUE);
  if (marked) return;
  WithRetries([&] { return ::DeleteFileW(temporary.c_str()) ? kErrorSuccess : LastStatus(); });
}

}  // namespace

Status ReplaceFileWithCopy(const std::wstring& source, const WIN32_FIND_DATAW& media,
                           const std::wstring& destination, Copied copied,
                           const OwnPermissions& permissions, NewFilePermissions& new_file) {
  const std::wstring folder = destination.substr(0, destination.rfind(L'\\'));
  std::wstring temporary;
  ScopedFileHandle file;
  Status status = CreateTemporary(folder, TemporaryAttributes(media.dwFileAttributes),
                                  permissions.Access(), &temporary, &file);
  if (status != kErrorSuccess) return status;
  status = FillTemporary(source, media.ftLastWriteTime, copied, file.get());
  if (status == kErrorSuccess && copied == Copied::kProgram) {
    status = CheckPublisher(file.get(), temporary);
  }
  if (status == kErrorSuccess) status = permissions.GiveTo(file.get(), new_file);
  if (status == kErrorSuccess) status = MoveIntoPlace(file.get(), destination);
  if (status != kErrorSuccess) Discard(file, temporary);
  return status;
}

}  // namespace platform::win32
