// Windows' own declarations, for the files of the Win32 platform layer only.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// The file-system service has methods of these names; Windows' macros would
// rename them to their ANSI or Unicode forms.
#undef CopyFile
#undef DeleteFile

#include "platform/status.h"

namespace platform::win32 {

inline Status LastStatus() { return static_cast<Status>(::GetLastError()); }

// A FILETIME as one number: 100-nanosecond ticks since 1601.
inline ULONGLONG Ticks(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace platform::win32
