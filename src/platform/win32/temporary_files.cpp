#include "platform/win32/temporary_files.h"

#include "platform/win32/delete_folder.h"
#include "platform/win32/folder_entries.h"
#include "platform/win32/long_path.h"

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

// This run's own name: ~Quadrivo-<pid>.
std::wstring OwnName() { return kPrefix + Decimal(::GetCurrentProcessId()); }

// The process id and a counter make a name no other run picks, without a
// call to GetTempFileName that would create a file of its own.
std::wstring TemporaryName(const std::wstring& folder) {
  static unsigned long counter = 0;
  return JoinPath(folder, (OwnName() + L"-" + Decimal(++counter) + kSuffix).c_str());
}

// The process id in a temporary's name, ~Quadrivo-<pid>-<n>.tmp, or in a
// staging folder's, ~Quadrivo-<pid>; kNoProcess for any other name, which is
// someone else's and stays.
DWORD MakerOf(const wchar_t* name, bool folder) {
  const wchar_t* at = name + (sizeof kPrefix / sizeof kPrefix[0] - 1);
  DWORD pid = 0;
  const wchar_t* digits = at;
  for (; *at >= L'0' && *at <= L'9'; ++at) pid = pid * 10 + static_cast<DWORD>(*at - L'0');
  if (at == digits) return kNoProcess;
  if (folder) return *at == L'\0' ? pid : kNoProcess;
  if (*at != L'-') return kNoProcess;
  const wchar_t* counter = ++at;
  while (*at >= L'0' && *at <= L'9') ++at;
  if (at == counter || ::lstrcmpiW(at, kSuffix) != 0) return kNoProcess;
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

void Remove(const std::wstring& path, DWORD attributes) {
  if (IsReadOnly(attributes)) {
    ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  ::DeleteFileW(path.c_str());
}

}  // namespace

Status CreateTemporary(const std::wstring& folder, DWORD attributes, DWORD extra_access,
                       std::wstring* path, ScopedFileHandle* file) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    *path = TemporaryName(folder);
    file->reset(::CreateFileW(path->c_str(), GENERIC_READ | GENERIC_WRITE | DELETE | extra_access,
                              0, nullptr, CREATE_NEW, attributes | FILE_FLAG_SEQUENTIAL_SCAN,
                              nullptr));
    if (file->valid()) return kErrorSuccess;
    const Status status = LastStatus();
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

void RemoveAbandonedTemporaries(const std::wstring& folder) {
  FolderEntries entries(folder, (std::wstring(kPrefix) + L"*").c_str());
  while (entries.Next()) {
    const WIN32_FIND_DATAW& entry = entries.Entry();
    if (IsLink(entry.dwFileAttributes)) continue;
    const bool staging = IsFolder(entry.dwFileAttributes);
    const DWORD pid = MakerOf(entry.cFileName, staging);
    if (pid == kNoProcess) continue;
    const std::wstring path = JoinPath(folder, entry.cFileName);
    if (MakerMayBeAlive(pid, LatestSignOfLife(path, entry))) continue;
    if (staging) {
      DeleteFolderTree(path, entry.dwFileAttributes);
    } else {
      Remove(path, entry.dwFileAttributes);
    }
  }
}

StagingFolder::~StagingFolder() {
  if (state_ == State::kMade) ::RemoveDirectoryW(path_.c_str());
}

// A staging folder that is there already (a leftover of a process that had
// this id, or anything else of that name) is not used: what it is or where
// it leads is not this run's to know.
const std::wstring& StagingFolder::Place() {
  if (state_ == State::kNotYet) {
    path_ = JoinPath(folder_, OwnName().c_str());
    state_ = ::CreateDirectoryW(path_.c_str(), nullptr) ? State::kMade : State::kBeside;
  }
  return state_ == State::kMade ? path_ : folder_;
}

void StagingFolder::GiveUp() {
  if (state_ == State::kMade) ::RemoveDirectoryW(path_.c_str());
  state_ = State::kBeside;
}

}  // namespace platform::win32
