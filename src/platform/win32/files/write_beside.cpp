#include "platform/win32/files/write_beside.h"

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

// NTFS may put a rename on the disk before the data of the file it names:
// each new file is written out before the update puts any in place.
Status FillTemporary(const Folder& media_folder, const FolderEntry& media, HANDLE file) {
  Status status = CopyData(media_folder, media, file);
  if (status != kErrorSuccess) return status;
  // The copy bears the source's time, so that the next run finds it in place.
  const FILETIME write_time = {static_cast<DWORD>(media.stamp.write_time),
                               static_cast<DWORD>(media.stamp.write_time >> 32)};
  if (!::SetFileTime(file, nullptr, nullptr, &write_time)) return LastStatus();
  return WriteOut(file);
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

Status WriteBeside(const Folder& media_folder, const FolderEntry& media, const Folder& folder,
                   const FolderEntry* installed, Copied copied, Written* written) {
  OwnPermissions permissions;
  Status status = installed == nullptr
                      ? kErrorSuccess
                      : permissions.Read(folder, installed->name, folder.OnAShare());
  ScopedFileHandle file;
  std::wstring temporary;
  if (status == kErrorSuccess) {
    status = CreateTemporary(folder, TemporaryAttributes(media.attributes), permissions.Access(),
                             &temporary, &file);
  }
  if (status != kErrorSuccess) return status;
  status = FillTemporary(media_folder, media, file.get());
  if (status == kErrorSuccess && copied == Copied::kProgram) {
    status = CheckPublisher(file.get(), JoinPath(folder.path(), temporary.c_str()));
  }
  if (status == kErrorSuccess) status = permissions.GiveTo(file.get(), folder.new_file());
  if (status != kErrorSuccess) {
    Discard(file, folder, temporary);
    return status;
  }
  if (copied == Copied::kHelpFile) file.reset(INVALID_HANDLE_VALUE);
  *written = std::make_unique<NewFile>(std::move(temporary), file.release());
  return kErrorSuccess;
}

// The program through its own handle, a help file by its name.
Status PutWritten(const Folder& folder, const WrittenFile& written, const std::wstring& name) {
  const HANDLE held = static_cast<const NewFile&>(written).held();
  return WithRetries([&] {
    return held != INVALID_HANDLE_VALUE ? folder.RenameInPlace(held, name, false)
                                        : folder.Rename(written.name(), name, false);
  });
}

}  // namespace platform::win32
