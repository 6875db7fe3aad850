// When a refused file operation is tried again: only another program's hold
// passes by itself (system_calls.h has how often and how long). A refusal
// for want of rights does not, and an elevated run is what helps there, so
// it is never waited on here; where a refusal may be either, the caller
// tells which first.
#pragma once

#include "platform/win32/system_calls.h"

namespace platform::win32 {

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
