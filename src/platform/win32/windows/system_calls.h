// The Windows calls whose answers decide the branches of the file pipeline
// and of where a path lies, made through this one table, and the retry
// policy of the file pipeline. Each entry is the system's own function; a
// test of the Win32 layer may put another in its place, so that a call
// answers as Windows documents it where Wine cannot (a protected DACL, a file
// system without file indexes or information classes, a network drive, an
// attribute refused for want of rights), and retries need not wait. The
// shipped program pays one indirect call for each.
#pragma once

#include <aclapi.h>
#include <winternl.h>

#include <string>

#include "platform/win32/windows/windows_api.h"

namespace platform::win32 {

// Not declared by every SDK's winternl.h; ntdll has exported it since
// Windows NT 4.0 (ZwQueryDirectoryFile in the WDK documentation).
using QueryDirectoryFileFunction = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID,
                                                    PIO_STATUS_BLOCK, PVOID, ULONG,
                                                    FILE_INFORMATION_CLASS, BOOLEAN,
                                                    PUNICODE_STRING, BOOLEAN);

// A function of ntdll, which every process has loaded from its start: no
// DLL is loaded for it, and none from the update's folder.
template <typename Function>
Function NtdllFunction(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), name)));
}

struct SystemCalls {
  // Opening, listing and renaming relative to a held folder.
  decltype(&::NtCreateFile) NtCreateFile;
  QueryDirectoryFileFunction NtQueryDirectoryFile;
  decltype(&::NtSetInformationFile) NtSetInformationFile;
  decltype(&::GetFileInformationByHandleEx) GetFileInformationByHandleEx;  // attributes
  decltype(&::SetFileInformationByHandle) SetFileInformationByHandle;      // lifting read-only
  decltype(&::GetFileInformationByHandle) GetFileInformationByHandle;      // identity
  decltype(&::GetSecurityInfo) GetSecurityInfo;  // an installed file's permissions
  decltype(&::SetSecurityInfo) SetSecurityInfo;
  decltype(&::GetFileAttributesW) GetFileAttributesW;  // whether a named folder is there
  decltype(&::GetDriveTypeW) GetDriveTypeW;            // a share behind a letter
  decltype(&::QueryDosDeviceW) QueryDosDeviceW;        // a folder behind a letter
  decltype(&::Sleep) Sleep;
  // Another program's hold on a file passes by itself (a virus scanner
  // reading a file just written, a program that is closing): it is tried
  // again for about two seconds, long enough for a program that is closing,
  // short enough for a user waiting on the update.
  int attempts;
  DWORD pause_ms;
};

inline SystemCalls System = {
    NtdllFunction<decltype(&::NtCreateFile)>("NtCreateFile"),
    NtdllFunction<QueryDirectoryFileFunction>("NtQueryDirectoryFile"),
    NtdllFunction<decltype(&::NtSetInformationFile)>("NtSetInformationFile"),
    ::GetFileInformationByHandleEx,
    ::SetFileInformationByHandle,
    ::GetFileInformationByHandle,
    ::GetSecurityInfo,
    ::SetSecurityInfo,
    ::GetFileAttributesW,
    ::GetDriveTypeW,
    ::QueryDosDeviceW,
    ::Sleep,
    9,
    250,
};

// The Win32 error code of an NT status, as kernel32 itself turns one into
// the other (RtlNtStatusToDosError, ntdll, Windows NT 3.1 and later).
inline Status StatusOf(NTSTATUS status) {
  static const auto convert =
      NtdllFunction<decltype(&::RtlNtStatusToDosError)>("RtlNtStatusToDosError");
  if (status >= 0) return kErrorSuccess;
  return convert != nullptr ? static_cast<Status>(convert(status)) : ERROR_GEN_FAILURE;
}

// A text as the native calls take it, counted rather than ended by a null.
inline UNICODE_STRING Counted(const std::wstring& text) {
  UNICODE_STRING counted;
  counted.Buffer = const_cast<wchar_t*>(text.c_str());
  counted.Length = static_cast<USHORT>(text.size() * sizeof(wchar_t));
  counted.MaximumLength = counted.Length;
  return counted;
}

// Only another program's hold passes by itself. A refusal for want of rights
// does not, and an elevated run is what helps there, so it is never waited
// on; where a refusal may be either, the caller tells which first.
inline bool IsTransient(Status status) {
  return status == ERROR_SHARING_VIOLATION || status == ERROR_LOCK_VIOLATION;
}

// attempt() returns a Status; it is called until it succeeds, fails for
// good, or System.attempts calls have been made. The last status is
// returned. passes: which failures pass by themselves, for this attempt.
template <typename Attempt>
Status WithRetries(Attempt attempt, bool (*passes)(Status) = IsTransient) {
  Status status = attempt();
  for (int tried = 1; tried < System.attempts && passes(status); ++tried) {
    System.Sleep(System.pause_ms);
    status = attempt();
  }
  return status;
}

}  // namespace platform::win32
