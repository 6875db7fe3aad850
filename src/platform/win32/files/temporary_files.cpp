#include "platform/win32/files/temporary_files.h"

#include "platform/update_record.h"
#include "platform/win32/windows/system_calls.h"

namespace platform::win32 {

namespace {

// Names left by an earlier run that stopped half-way are stepped over.
constexpr int kNameAttempts = 64;
// A record lists each file of an update in a line; no help folder comes near.
constexpr LONGLONG kLargestRecord = 64LL << 20;

// The latest time the file was created or changed. The creation time alone
// does not do: a copy may carry its source's times (Wine's does), while a
// change time is never older than the file.
ULONGLONG LatestSignOfLife(const FILE_BASIC_INFO& basic) {
  ULONGLONG latest = static_cast<ULONGLONG>(basic.CreationTime.QuadPart);
  for (const LARGE_INTEGER& time : {basic.LastWriteTime, basic.ChangeTime}) {
    if (static_cast<ULONGLONG>(time.QuadPart) > latest)
      latest = static_cast<ULONGLONG>(time.QuadPart);
  }
  return latest;
}

// The name is opened itself, never what it may point to, and shared with
// nobody: a temporary another run still writes (on another machine, for a
// shared installation, where its process id means nothing here) is held open
// by that run, and this open fails.
Status OpenOwnName(const Folder& folder, const std::wstring& name, ScopedFileHandle* file) {
  return folder.OpenChild(name, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, file,
                          FILE_NON_DIRECTORY_FILE, 0);
}

// FileBasicInfo and FileStandardInfo are answered by every file system,
// FAT and exFAT among them (fastfat's FatCommonQueryInformation).
bool IsOnlyAPlainFile(HANDLE file, const FILE_BASIC_INFO& basic) {
  FILE_STANDARD_INFO standard;
  return !IsFolder(basic.FileAttributes) && !IsReparsePoint(basic.FileAttributes) &&
         System.GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard) &&
         !standard.Directory && standard.NumberOfLinks == 1;
}

// Lifts read-only, through the same handle, which deleting would refuse.
Status DeleteThrough(HANDLE file, const FILE_BASIC_INFO& basic) {
  if (IsReadOnly(basic.FileAttributes)) {
    const Status writable = SetAttributesOf(file, basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY);
    if (writable != kErrorSuccess) return writable;
  }
  return DeleteThroughHandle(file);
}

Status ReadAll(HANDLE file, std::string* bytes) {
  FILE_STANDARD_INFO standard;
  if (!System.GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard)) {
    return LastStatus();
  }
  if (standard.EndOfFile.QuadPart > kLargestRecord) return kErrorUpdateRecordUnusable;
  bytes->assign(static_cast<std::size_t>(standard.EndOfFile.QuadPart), '\0');
  DWORD got = 0;
  if (!bytes->empty() &&
      !::ReadFile(file, &(*bytes)[0], static_cast<DWORD>(bytes->size()), &got, nullptr)) {
    return LastStatus();
  }
  bytes->resize(got);
  return kErrorSuccess;
}

}  // namespace

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

// Before Windows 8 a file is written out only with the disk's cache: each
// file costs a wait for the disk (some milliseconds on a hard disk).
Status WriteOut(HANDLE file) {
  if (System.NtFlushBuffersFileEx != nullptr) {
    IO_STATUS_BLOCK io{};
    return StatusOf(System.NtFlushBuffersFileEx(file, kFlushNoSync, nullptr, 0, &io));
  }
  return System.FlushFileBuffers(file) ? kErrorSuccess : LastStatus();
}

Status DeleteOwn(const Folder& folder, const std::wstring& name) {
  ScopedFileHandle file;
  FILE_BASIC_INFO basic;
  Status status = WithRetries([&] { return OpenOwnName(folder, name, &file); });
  if (status == kErrorSuccess &&
      !System.GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic)) {
    status = LastStatus();
  }
  return status == kErrorSuccess ? DeleteThrough(file.get(), basic) : status;
}

// Opened as itself, made when missing: one a power cut left is taken over.
Status LockUpdate(const Folder& folder, ScopedFileHandle* lock) {
  const Status status = folder.OpenChild(L"~Quadrivo.lock", DELETE, lock,
                                         FILE_NON_DIRECTORY_FILE | FILE_DELETE_ON_CLOSE, 0,
                                         FILE_OPEN_IF, FILE_ATTRIBUTE_HIDDEN);
  return status == ERROR_SHARING_VIOLATION ? ERROR_BUSY : status;
}

// Made new, so that no file of another's is written over, and written
// through to the disk with everything before it: the one wait for the disk
// of an update.
Status WriteRecord(const Folder& folder, const std::string& bytes, std::wstring* name) {
  *name = RecordName(::GetCurrentProcessId(), false);
  ScopedFileHandle file;
  Status status = folder.OpenChild(*name, GENERIC_WRITE | DELETE, &file, FILE_NON_DIRECTORY_FILE, 0,
                                   FILE_CREATE, FILE_ATTRIBUTE_NORMAL);
  if (status != kErrorSuccess) return status;
  status = WriteAll(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()));
  if (status == kErrorSuccess && !System.FlushFileBuffers(file.get())) status = LastStatus();
  if (status != kErrorSuccess) DeleteThroughHandle(file.get());
  return status;
}

Status ReadRecord(const Folder& folder, const std::wstring& name, unsigned long maker,
                  std::string* bytes) {
  ScopedFileHandle file;
  FILE_BASIC_INFO basic;
  Status status =
      folder.OpenChild(name, GENERIC_READ, &file, FILE_NON_DIRECTORY_FILE, FILE_SHARE_READ);
  if (status == kErrorSuccess &&
      !System.GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic)) {
    status = LastStatus();
  }
  if (status != kErrorSuccess) return status;
  if (MakerMayBeAlive(maker, LatestSignOfLife(basic))) return ERROR_BUSY;
  return ReadAll(file.get(), bytes);
}

// On NTFS a file written through puts the journal on the disk up to it, the
// renames before it among them.
Status MakeDurable(const Folder& folder, const std::wstring& name) {
  ScopedFileHandle file;
  const Status status =
      folder.OpenChild(name, GENERIC_WRITE, &file, FILE_NON_DIRECTORY_FILE, FILE_SHARE_READ);
  if (status != kErrorSuccess) return status;
  return System.FlushFileBuffers(file.get()) ? kErrorSuccess : LastStatus();
}

Status CreateTemporary(const Folder& folder, DWORD attributes, DWORD extra_access,
                       std::wstring* name, ScopedFileHandle* file) {
  static unsigned long counter = 0;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    *name = TemporaryName(::GetCurrentProcessId(), ++counter);
    const Status status = folder.OpenChild(
        *name, GENERIC_READ | GENERIC_WRITE | DELETE | extra_access, file,
        FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY, 0, FILE_CREATE, attributes);
    if (status != ERROR_FILE_EXISTS && status != ERROR_ALREADY_EXISTS) return status;
  }
  return ERROR_FILE_EXISTS;
}

// In doubt (a process this user may not look at, a call that fails) the
// maker may be alive.
bool MakerMayBeAlive(unsigned long pid, unsigned long long made_at) {
  const ScopedKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process.valid()) return ::GetLastError() != ERROR_INVALID_PARAMETER;  // no such process
  DWORD exit_code = 0;
  if (!::GetExitCodeProcess(process.get(), &exit_code)) return true;
  if (exit_code != STILL_ACTIVE) return false;
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(process.get(), &created, &exited, &kernel, &user)) return true;
  // A process started after the file was made has only reused the id.
  return Ticks(created) <= made_at;
}

void RemoveAbandoned(const Folder& folder, const std::wstring& name, unsigned long maker) {
  ScopedFileHandle file;
  FILE_BASIC_INFO basic;
  if (OpenOwnName(folder, name, &file) != kErrorSuccess ||
      !System.GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic) ||
      !IsOnlyAPlainFile(file.get(), basic) || MakerMayBeAlive(maker, LatestSignOfLife(basic))) {
    return;
  }
  DeleteThrough(file.get(), basic);
}

}  // namespace platform::win32
