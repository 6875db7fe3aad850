#include "platform/win32/files/replace_file.h"

#include "platform/win32/elevation/publisher_signature.h"
#include "platform/win32/files/delete_folder.h"
#include "platform/win32/files/temporary_files.h"
#include "platform/win32/windows/long_path.h"
#include "platform/win32/windows/system_calls.h"

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

// Only the file's data is read: its other streams (a mark of the web among
// them) stay behind on the media.
Status CopyData(const HeldFolder& folder, const std::wstring& name, HANDLE to) {
  ScopedFileHandle from;
  // A virus scanner may be reading a media file that was just written.
  const Status opened = WithRetries([&] {
    return folder.OpenChild(name, GENERIC_READ, &from,
                            FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY, FILE_SHARE_READ);
  });
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

Status FillTemporary(const HeldFolder& media_folder, const FolderEntry& media, Copied copied,
                     HANDLE file) {
  Status status = CopyData(media_folder, media.name, file);
  if (status != kErrorSuccess) return status;
  // The copy bears the source's time, so that the next run finds it in place.
  const FILETIME write_time = {static_cast<DWORD>(media.stamp.write_time),
                               static_cast<DWORD>(media.stamp.write_time >> 32)};
  if (!::SetFileTime(file, nullptr, nullptr, &write_time)) return LastStatus();
  if (copied == Copied::kProgram && !::FlushFileBuffers(file)) return LastStatus();
  return kErrorSuccess;
}

// A refused rename asks the file itself (the running program, a help page in
// a viewer) whether it is held; the folder is known to be writable, since the
// temporary is in it.
Status WhyRefused(const HeldFolder& folder, const std::wstring& name) {
  ScopedFileHandle probe;
  return RefusalOfRename(folder.OpenChild(name, DELETE, &probe));
}

Status SetReadOnly(const HeldFolder& folder, const std::wstring& name, DWORD attributes) {
  ScopedFileHandle file;
  const Status opened = folder.OpenChild(name, FILE_WRITE_ATTRIBUTES, &file);
  return opened != kErrorSuccess ? opened : SetAttributesOf(file.get(), attributes);
}

// An installed file that is read-only is replaced too. Its attributes are
// looked at only when the move was refused, so the usual case costs no extra
// call; *lifted keeps them, to be put back when the move fails after all.
// The temporary takes the destination's name in one step, through its own
// handle, so that no other program can slip between copy and rename.
Status MoveOnce(HANDLE file, const HeldFolder& folder, const std::wstring& name, DWORD* lifted) {
  Status status = folder.MoveHere(file, name);
  if (status == ERROR_ACCESS_DENIED && *lifted == INVALID_FILE_ATTRIBUTES) {
    ScopedFileHandle installed;
    folder.OpenChild(name, FILE_READ_ATTRIBUTES, &installed);
    const DWORD attributes =
        installed.valid() ? AttributesOf(installed.get()) : INVALID_FILE_ATTRIBUTES;
    installed.reset(INVALID_HANDLE_VALUE);  // an open file is not replaced
    // No wait makes a folder give way to a file.
    if (attributes != INVALID_FILE_ATTRIBUTES && IsFolder(attributes)) return status;
    if (attributes != INVALID_FILE_ATTRIBUTES && IsReadOnly(attributes)) {
      // Changing attributes is not refused for another program's hold, so a
      // refusal here is this user's rights: final, whatever holds the file.
      const Status writable = SetReadOnly(folder, name, attributes & ~FILE_ATTRIBUTE_READONLY);
      if (writable != kErrorSuccess) return writable;
      *lifted = attributes;
      status = folder.MoveHere(file, name);
    }
  }
  return status == ERROR_ACCESS_DENIED ? WhyRefused(folder, name) : status;
}

std::wstring& HeldFile() {
  static std::wstring path;
  return path;
}

Status MoveIntoPlace(HANDLE file, const HeldFolder& folder, const std::wstring& name) {
  DWORD lifted = INVALID_FILE_ATTRIBUTES;
  const Status status = WithRetries([&] { return MoveOnce(file, folder, name, &lifted); });
  if (IsTransient(status)) HeldFile() = JoinPath(folder.path(), name.c_str());
  if (status != kErrorSuccess && lifted != INVALID_FILE_ATTRIBUTES) {
    SetReadOnly(folder, name, lifted);
  }
  return status;
}

// A copy that broke off (a full disk) may have left part of the file. It is
// deleted through its own handle, so that a virus scanner that opened it
// meanwhile without sharing its deletion cannot keep it; by name only when
// that fails.
void Discard(ScopedFileHandle& file, const HeldFolder& folder, const std::wstring& temporary) {
  const bool marked = DeleteThroughHandle(file.get()) == kErrorSuccess;
  file.reset(INVALID_HANDLE_VALUE);
  if (marked) return;
  WithRetries([&] { return DeleteFileIn(folder, temporary); });
}

}  // namespace

const std::wstring& LastHeldFile() { return HeldFile(); }

Status ReplaceFileWithCopy(const HeldFolder& media_folder, const FolderEntry& media,
                           const HeldFolder& folder, const std::wstring& name, Copied copied,
                           const OwnPermissions& permissions, NewFilePermissions& new_file) {
  std::wstring temporary;
  ScopedFileHandle file;
  Status status = CreateTemporary(folder, TemporaryAttributes(media.attributes),
                                  permissions.Access(), &temporary, &file);
  if (status != kErrorSuccess) return status;
  status = FillTemporary(media_folder, media, copied, file.get());
  if (status == kErrorSuccess && copied == Copied::kProgram) {
    status = CheckPublisher(file.get(), JoinPath(folder.path(), temporary.c_str()));
  }
  if (status == kErrorSuccess) status = permissions.GiveTo(file.get(), new_file);
  if (status == kErrorSuccess) status = MoveIntoPlace(file.get(), folder, name);
  if (status != kErrorSuccess) Discard(file, folder, temporary);
  return status;
}

}  // namespace platform::win32
