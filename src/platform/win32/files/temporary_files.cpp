#include "platform/win32/files/temporary_files.h"

#include "platform/win32/windows/system_calls.h"

namespace platform::win32 {

namespace {

// Names left by an earlier run that stopped half-way are stepped over.
constexpr int kNameAttempts = 64;

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

}  // namespace

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

// Deleting a read-only file is refused, so the attribute is lifted first,
// through the same handle.
void RemoveAbandoned(const Folder& folder, const std::wstring& name, unsigned long maker) {
  ScopedFileHandle file;
  FILE_BASIC_INFO basic;
  if (OpenOwnName(folder, name, &file) != kErrorSuccess ||
      !System.GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic) ||
      !IsOnlyAPlainFile(file.get(), basic) || MakerMayBeAlive(maker, LatestSignOfLife(basic))) {
    return;
  }
  if (IsReadOnly(basic.FileAttributes) &&
      SetAttributesOf(file.get(), basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY) !=
          kErrorSuccess) {
    return;
  }
  DeleteThroughHandle(file.get());
}

}  // namespace platform::win32
