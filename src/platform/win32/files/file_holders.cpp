#include "platform/win32/files/file_holders.h"

#include <algorithm>

#include "platform/win32/windows/system_calls.h"

namespace platform::win32 {

namespace {

// The path as programs name the file, without the \\?\ form the file calls
// are given: the Restart Manager matches it against the files processes
// hold, and its documentation speaks of full paths only.
std::wstring PlainPath(const std::wstring& long_path) {
  if (long_path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\" + long_path.substr(7);
  if (long_path.rfind(L"\\\\?\\", 0) == 0) return long_path.substr(4);
  return long_path;
}

// The list may grow between the call that sizes it and the one that fills
// it (ERROR_MORE_DATA again): it is asked a few times, then given up.
std::vector<RM_PROCESS_INFO> ListOf(DWORD session) {
  std::vector<RM_PROCESS_INFO> found;
  UINT needed = 0;
  DWORD status = ERROR_MORE_DATA;
  for (int tries = 0; status == ERROR_MORE_DATA && tries < 3; ++tries) {
    found.resize(needed);
    UINT count = needed;
    DWORD reasons = 0;
    status = System.RmGetList(session, &needed, &count, found.empty() ? nullptr : found.data(),
                              &reasons);
    found.resize(std::min<UINT>(count, needed));
  }
  if (status != ERROR_SUCCESS) found.clear();
  return found;
}

std::vector<FileHolder> Named(const std::vector<RM_PROCESS_INFO>& found) {
  DWORD own_session = 0;
  ::ProcessIdToSessionId(::GetCurrentProcessId(), &own_session);
  std::vector<FileHolder> holders;
  for (const RM_PROCESS_INFO& process : found) {
    const FileHolder holder{process.strAppName, process.TSSessionId != own_session};
    const bool known = std::any_of(holders.begin(), holders.end(), [&](const FileHolder& seen) {
      return seen.name == holder.name && seen.other_session == holder.other_session;
    });
    if (!holder.name.empty() && !known) holders.push_back(holder);
  }
  return holders;
}

}  // namespace

std::vector<FileHolder> HoldersOf(const std::wstring& long_path) {
  if (!LoadRestartManager()) return {};
  DWORD session = 0;
  WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
  if (System.RmStartSession(&session, 0, key) != ERROR_SUCCESS) return {};
  const std::wstring path = PlainPath(long_path);
  LPCWSTR files[] = {path.c_str()};
  std::vector<RM_PROCESS_INFO> found;
  if (System.RmRegisterResources(session, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS) {
    found = ListOf(session);
  }
  System.RmEndSession(session);
  return Named(found);
}

}  // namespace platform::win32
