#include "platform/win32/files/temporary_files.h"

#include "platform/win32/files/delete_folder.h"
#include "platform/win32/windows/system_calls.h"

namespace platform::win32 {

namespace {

constexpr wchar_t kPrefix[] = L"~Quadrivo-";
constexpr wchar_t kSuffix[] = L".tmp";
constexpr DWORD kNoProcess = 0;
// Names left by an earlier run that stopped half-way are stepped over.
constexpr int kNameAttempts = 64;

// Written out here: std::to_wstring would bring the whole printf family into
// the executable.
std::wstring Decimal(unsigned long value) {
  wchar_t digits[16];
  wchar_t* first = digits + 16;
  do {
    *--first = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  return std::wstring(first, digits + 16);
}

// The process id and a counter make a name no other run picks, without a
// call to GetTempFileName that would create a file of its own.
std::wstring TemporaryName() {
  static unsigned long counter = 0;
  return kPrefix + Decimal(::GetCurrentProcessId()) + L"-" + Decimal(++counter) + kSuffix;
}

// The process id in a temporary's name, ~Quadrivo-<pid>-<n>.tmp; kNoProcess
// for any other name, which is someone else's and stays.
DWORD MakerOf(const wchar_t* name) {
  constexpr int kPrefixLength = sizeof kPrefix / sizeof kPrefix[0] - 1;
  if (::lstrlenW(name) < kPrefixLength ||
      ::CompareStringOrdinal(name, kPrefixLength, kPrefix, kPrefixLength, TRUE) != CSTR_EQUAL) {
    return kNoProcess;
  }
  const wchar_t* at = name + kPrefixLength;
  DWORD pid = 0;
  const wchar_t* digits = at;
  for (; *at >= L'0' && *at <= L'9'; ++at) pid = pid * 10 + static_cast<DWORD>(*at - L'0');
  if (at == digits || *at != L'-') return kNoProcess;
  const wchar_t* counter = ++at;
  while (*at >= L'0' && *at <= L'9') ++at;
  if (at == counter || ::lstrcmpiW(at, kSuffix) != 0) return kNoProcess;
  return pid;
}

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
Status OpenOwnName(const HeldFolder& folder, const std::wstring& name, ScopedFileHandle* file) {
  return folder.OpenChild(name, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, file,
                          FILE_NON_DIRECTORY_FILE, 0);
}

// FileBasicInfo and FileStandardInfo are answered by every file system,
// FAT and exFAT among them (fastfat's FatCommonQueryInformation).
bool IsOnlyAPlainFile(HANDLE file, const FILE_BASIC_INFO& basic) {
  FILE_STANDARD_INFO standard;
  return IsPlainFile(basic.FileAttributes) &&
         System.GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard) &&
         !standard.Directory && standard.NumberOfLinks == 1;
}

}  // namespace

Status CreateTemporary(const HeldFolder& folder, DWORD attributes, DWORD extra_access,
                       std::wstring* name, ScopedFileHandle* file) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    *name = TemporaryName();
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
bool RemoveIfAbandoned(const HeldFolder& folder, const std::wstring& name) {
  const DWORD pid = MakerOf(name.c_str());
  if (pid == kNoProcess) return false;
  ScopedFileHandle file;
  FILE_BASIC_INFO basic;
  if (OpenOwnName(folder, name, &file) != kErrorSuccess ||
      !System.GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic) ||
      !IsOnlyAPlainFile(file.get(), basic) || MakerMayBeAlive(pid, LatestSignOfLife(basic))) {
    return true;
  }
  if (IsReadOnly(basic.FileAttributes) &&
      SetAttributesOf(file.get(), basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY) !=
          kErrorSuccess) {
    return true;
  }
  DeleteThroughHandle(file.get());
  return true;
}

}  // namespace platform::win32
