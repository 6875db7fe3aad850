#include "platform/win32/files/put_in_place.h"

#include "platform/process.h"
#include "platform/win32/elevation/publisher_signature.h"
#include "platform/win32/files/file_identity.h"
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

// Before Windows 10 a user may make a hard link to a file they may not read
// themselves; put on the media, a run with more rights than its user would
// copy it where that user may read it. Such a run refuses a media file with
// a second name, asked of the handle it reads.
Status RefuseSecondName(HANDLE file) {
  static const bool more_rights_than_the_user = IsElevated();
  if (!more_rights_than_the_user) return kErrorSuccess;
  FILE_STANDARD_INFO standard;
  if (!System.GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard)) {
    return LastStatus();
  }
  return standard.NumberOfLinks > 1 ? kErrorMediaFileLinked : kErrorSuccess;
}

// The media file, as itself, and shared with nobody who would delete or
// rename it. A reparse point that is not a link (a cloud placeholder, a
// deduplicated file) holds its content through its file system's filter: it
// is opened a second time, the one way that is read as Explorer reads it,
// while the first open keeps its name from being given to a link meanwhile.
Status OpenMediaFile(const Folder& folder, const FolderEntry& media, ScopedFileHandle* file) {
  constexpr ULONG kOptions = FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY;
  // A virus scanner may be reading a media file that was just written.
  Status status = WithRetries(
      [&] { return folder.OpenChild(media.name, GENERIC_READ, file, kOptions, FILE_SHARE_READ); });
  if (status == kErrorSuccess) status = RefuseSecondName(file->get());
  if (status != kErrorSuccess || !IsReparsePoint(media.attributes)) return status;
  if (IsHeldLink(file->get(), AttributesOf(file->get()))) return ERROR_REPARSE_ATTRIBUTE_CONFLICT;
  ScopedFileHandle content;
  status = folder.OpenChild(media.name, GENERIC_READ, &content, kOptions, FILE_SHARE_READ,
                            FILE_OPEN, 0, Folder::kThroughFilter);
  if (status != kErrorSuccess) return status;
  if (!IsSameFile(file->get(), content.get())) return ERROR_REPARSE_ATTRIBUTE_CONFLICT;
  file->reset(content.release());
  return kErrorSuccess;
}

// Only the file's data is read: its other streams (a mark of the web among
// them) stay behind on the media.
Status CopyData(const Folder& folder, const FolderEntry& media, HANDLE to) {
  ScopedFileHandle from;
  const Status opened = OpenMediaFile(folder, media, &from);
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

Status FillTemporary(const Folder& media_folder, const FolderEntry& media, Copied copied,
                     HANDLE file) {
  Status status = CopyData(media_folder, media, file);
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
Status WhyRefused(const Folder& folder, const std::wstring& name) {
  ScopedFileHandle probe;
  return RefusalOfRename(folder.OpenChild(name, DELETE, &probe));
}

Status SetReadOnly(const Folder& folder, const std::wstring& name, DWORD attributes) {
  ScopedFileHandle file;
  const Status opened = folder.OpenChild(name, FILE_WRITE_ATTRIBUTES, &file);
  return opened != kErrorSuccess ? opened : SetAttributesOf(file.get(), attributes);
}

// An installed file that is read-only is replaced too. Its attributes are
// looked at only when the move was refused, so the usual case costs no extra
// call; *lifted keeps them, to be put back when the move fails after all.
// The temporary takes the destination's name in one step, through its own
// handle, so that no other program can slip between copy and rename.
// FAT refuses a rename over a read-only file as a name collision
// (STATUS_OBJECT_NAME_COLLISION in fastfat's FatSetRenameInfo), NTFS as
// access denied.
Status MoveOnce(HANDLE file, const Folder& folder, const std::wstring& name, DWORD* lifted) {
  Status status = folder.RenameInPlace(file, name);
  const bool refused = status == ERROR_ACCESS_DENIED || status == ERROR_ALREADY_EXISTS;
  if (refused && *lifted == INVALID_FILE_ATTRIBUTES) {
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
      status = folder.RenameInPlace(file, name);
    }
  }
  return status == ERROR_ACCESS_DENIED ? WhyRefused(folder, name) : status;
}

Status MoveIntoPlace(HANDLE file, const Folder& folder, const std::wstring& name) {
  DWORD lifted = INVALID_FILE_ATTRIBUTES;
  const Status status = WithRetries([&] { return MoveOnce(file, folder, name, &lifted); });
  if (status != kErrorSuccess && lifted != INVALID_FILE_ATTRIBUTES) {
    SetReadOnly(folder, name, lifted);
  }
  return status;
}

// A copy that broke off (a full disk) may have left part of the file. It is
// deleted through its own handle, so that a virus scanner that opened it
// meanwhile without sharing its deletion cannot keep it; by name only when
// that fails.
void Discard(ScopedFileHandle& file, const Folder& folder, const std::wstring& temporary) {
  const bool marked = DeleteThroughHandle(file.get()) == kErrorSuccess;
  file.reset(INVALID_HANDLE_VALUE);
  if (marked) return;
  WithRetries([&] {
    ScopedFileHandle again;
    return folder.OpenChild(temporary, DELETE, &again,
                            FILE_NON_DIRECTORY_FILE | FILE_DELETE_ON_CLOSE);
  });
}

}  // namespace

Status PutInPlace(const Folder& media_folder, const FolderEntry& media, const Folder& folder,
                  const std::wstring& name, const FolderEntry* installed, Copied copied) {
  OwnPermissions permissions;
  Status status = installed == nullptr
                      ? kErrorSuccess
                      : permissions.Read(folder, installed->name, folder.OnAShare());
  std::wstring temporary;
  ScopedFileHandle file;
  if (status == kErrorSuccess) {
    status = CreateTemporary(folder, TemporaryAttributes(media.attributes), permissions.Access(),
                             &temporary, &file);
  }
  if (status != kErrorSuccess) return status;
  status = FillTemporary(media_folder, media, copied, file.get());
  if (status == kErrorSuccess && copied == Copied::kProgram) {
    status = CheckPublisher(file.get(), JoinPath(folder.path(), temporary.c_str()));
  }
  if (status == kErrorSuccess) status = permissions.GiveTo(file.get(), folder.new_file());
  if (status == kErrorSuccess) status = MoveIntoPlace(file.get(), folder, name);
  if (status != kErrorSuccess) Discard(file, folder, temporary);
  return status;
}

}  // namespace platform::win32
