// Windows' own declarations, and the small helpers every file of the Win32
// platform layer uses; for that layer only. The paths it takes from the seam
// are made long once (long_path.h); below the folders they name, it works by
// single names relative to held folders (files/held_folder.h).
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

#include <string>

#include "platform/status.h"

namespace platform::win32 {

inline Status LastStatus() { return static_cast<Status>(::GetLastError()); }

constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A FILETIME as one number: 100-nanosecond ticks since 1601.
inline ULONGLONG Ticks(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The text that call(buffer, size) writes, for the calls that answer as
// GetCurrentDirectoryW does: the length written; the size needed, its null
// included, when size is too short; 0 on a failure, which gives no text. A
// text that outgrows the size it asked for in between gives none either.
template <typename Call>
std::wstring TextOf(Call call) {
  std::wstring text(MAX_PATH, L'\0');
  DWORD length = call(&text[0], MAX_PATH);
  if (length >= MAX_PATH) {
    // One more than asked for: a size without its null is then enough too.
    text.assign(length + 1, L'\0');
    length = call(&text[0], length + 1);
  }
  text.resize(length < text.size() ? length : 0);
  return text;
}

// Opens a file or folder only to ask about it: attributes only and every
// sharing mode, so that a file a running program holds, or one this user may
// not read, still answers and is not disturbed; folders need backup
// semantics. The caller owns the handle.
inline HANDLE OpenToQuery(const std::wstring& path) {
  return ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace platform::win32
