// When a refused file operation is tried again. Another program may hold a
// file for a moment: a virus scanner reading a file just written, a program
// that is closing, a help page open in a viewer. Such a refusal passes by
// itself, so it is tried again for about two seconds: long enough for a
// program that is closing, short enough for a user waiting on the update.
#pragma once

#include "platform/win32/windows_api.h"

namespace platform::win32 {

constexpr int kAttempts = 9;
constexpr DWORD kRetryDelayMs = 250;

// Only another program's hold passes by itself. A refusal for want of rights
// does not, and an elevated run is what helps there, so it is never waited
// on here; where a refusal may be either, the caller tells which first.
inline bool IsTransient(Status status) {
  return status == ERROR_SHARING_VIOLATION || status == ERROR_LOCK_VIOLATION;
}

// attempt() returns a Status; it is called until it succeeds, fails for
// good, or kAttempts calls have been made. The last status is returned.
template <typename Attempt>
Status WithRetries(Attempt attempt) {
  Status status = attempt();
  for (int tried = 1; tried < kAttempts && IsTransient(status); ++tried) {
    ::Sleep(kRetryDelayMs);
    status = attempt();
  }
  return status;
}

}  // namespace platform::win32
