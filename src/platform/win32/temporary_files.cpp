#include "platform/win32/temporary_files.h"

#include "platform/win32/long_path.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

const wchar_t kTemporaryPrefix[] = L"~Quadrivo-";

namespace {

constexpr DWORD kNoProcess = 0;

// The process id in a name ~Quadrivo-<pid>-<n>.tmp; kNoProcess for any other
// name, which is someone else's file and stays.
DWORD MakerOf(const wchar_t* name) {
  const wchar_t* at = name + (sizeof kTemporaryPrefix / sizeof kTemporaryPrefix[0] - 1);
  DWORD pid = 0;
  const wchar_t* digits = at;
  for (; *at >= L'0' && *at <= L'9'; ++at) pid = pid * 10 + static_cast<DWORD>(*at - L'0');
  if (at == digits || *at != L'-') return kNoProcess;
  const wchar_t* counter = ++at;
  while (*at >= L'0' && *at <= L'9') ++at;
  if (at == counter || ::lstrcmpiW(at, L".tmp") != 0) return kNoProcess;
  return pid;
}

// The latest time the file was created or changed. The creation time alone
// does not do: a copy may carry its source's times (Wine's does), while a
// change time is never older than the file.
ULONGLONG LatestSignOfLife(const std::wstring& path, const WIN32_FIND_DATAW& entry) {
  ULONGLONG latest = Ticks(entry.ftCreationTime);
  if (Ticks(entry.ftLastWriteTime) > latest) latest = Ticks(entry.ftLastWriteTime);
  const ScopedFileHandle file(OpenToQuery(path));
  FILE_BASIC_INFO basic;
  if (file.valid() &&
      ::GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic)) {
    const auto changed = static_cast<ULONGLONG>(basic.ChangeTime.QuadPart);
    if (changed > latest) latest = changed;
  }
  return latest;
}

}  // namespace

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

namespace {

void Remove(const std::wstring& path, DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  ::DeleteFileW(path.c_str());
}

}  // namespace

void RemoveAbandonedTemporaries(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  const std::wstring pattern = JoinPath(folder, kTemporaryPrefix) + L"*.tmp";
  const ScopedFindHandle find(::FindFirstFileW(pattern.c_str(), &entry));
  if (!find.valid()) return;
  do {
    if ((entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
      continue;
    }
    const DWORD pid = MakerOf(entry.cFileName);
    if (pid == kNoProcess) continue;
    const std::wstring path = JoinPath(folder, entry.cFileName);
    if (!MakerMayBeAlive(pid, LatestSignOfLife(path, entry))) Remove(path, entry.dwFileAttributes);
  } while (::FindNextFileW(find.get(), &entry));
}

}  // namespace platform::win32
