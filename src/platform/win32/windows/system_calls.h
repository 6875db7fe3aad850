// The Windows calls whose answers decide the branches of the file pipeline
// and of where a path lies, made through this one table, and the retry
// policy of the file pipeline. Each entry is the system's own function; a
// test of the Win32 layer may put another in its place, so that a call
// answers as Windows documents it where Wine cannot (a protected DACL, a file
// system without file indexes, a network drive, an attribute refused for
// want of rights), and retries need not wait. The shipped program pays one
// indirect call for each.
#pragma once

#include <aclapi.h>

#include "platform/win32/windows/windows_api.h"

namespace platform::win32 {

struct SystemCalls {
  decltype(&::GetFileInformationByHandle) GetFileInformationByHandle;  // identity
  decltype(&::GetNamedSecurityInfoW) GetNamedSecurityInfoW;            // permissions
  decltype(&::GetSecurityInfo) GetSecurityInfo;
  decltype(&::SetSecurityInfo) SetSecurityInfo;
  decltype(&::SetFileInformationByHandle) SetFileInformationByHandle;  // the rename
  decltype(&::CreateFileW) CreateFileW;                                // asking a refused file why
  decltype(&::SetFileAttributesW) SetFileAttributesW;                  // lifting read-only
  decltype(&::GetDriveTypeW) GetDriveTypeW;                            // a share behind a letter
  decltype(&::Sleep) Sleep;
  // Another program's hold on a file passes by itself (a virus scanner
  // reading a file just written, a program that is closing): it is tried
  // again for about two seconds, long enough for a program that is closing,
  // short enough for a user waiting on the update.
  int attempts;
  DWORD pause_ms;
};

inline SystemCalls System = {
    ::GetFileInformationByHandle,
    ::GetNamedSecurityInfoW,
    ::GetSecurityInfo,
    ::SetSecurityInfo,
    ::SetFileInformationByHandle,
    ::CreateFileW,
    ::SetFileAttributesW,
    ::GetDriveTypeW,
    ::Sleep,
    9,
    250,
};

// Only another program's hold passes by itself. A refusal for want of rights
// does not, and an elevated run is what helps there, so it is never waited
// on; where a refusal may be either, the caller tells which first.
inline bool IsTransient(Status status) {
  return status == ERROR_SHARING_VIOLATION || status == ERROR_LOCK_VIOLATION;
}

// attempt() returns a Status; it is called until it succeeds, fails for
// good, or System.attempts calls have been made. The last status is
// returned.
template <typename Attempt>
Status WithRetries(Attempt attempt) {
  Status status = attempt();
  for (int tried = 1; tried < System.attempts && IsTransient(status); ++tried) {
    System.Sleep(System.pause_ms);
    status = attempt();
  }
  return status;
}

}  // namespace platform::win32
