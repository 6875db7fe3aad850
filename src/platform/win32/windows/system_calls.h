// The Windows calls whose answers decide the branches of the platform layer,
// made through this one table, and the retry policy of the file pipeline.
// Each entry is the system's own function; a test of the Win32 layer may put
// another in its place, so that a call answers as Windows documents it
// where Wine cannot (a protected DACL, a file system without file indexes
// or information classes, a network drive, an attribute refused for want of
// rights, a chain of certificates Windows has not met), and retries need not
// wait. The shipped program pays one indirect call for each. The calls of
// the DLLs only some runs need (the signature check, the Restart Manager)
// are entries too, loaded the first time they are asked for.
#pragma once

#include <aclapi.h>
#include <winternl.h>

// After windows.h, which they do not include themselves.
#include <restartmanager.h>
#include <softpub.h>
#include <wintrust.h>

#include <string>

#include "platform/win32/windows/windows_api.h"

namespace platform::win32 {

// Not declared by every SDK's winternl.h; ntdll has exported it since
// Windows NT 4.0 (ZwQueryDirectoryFile in the WDK documentation).
using QueryDirectoryFileFunction = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID,
                                                    PIO_STATUS_BLOCK, PVOID, ULONG,
                                                    FILE_INFORMATION_CLASS, BOOLEAN,
                                                    PUNICODE_STRING, BOOLEAN);

// Writes a file from the cache to the disk; with FLUSH_FLAGS_NO_SYNC
// (Windows 8 and later, on NTFS, FAT and exFAT) without making the disk
// write out its own cache too, which one ordinary flush does once for all.
using FlushBuffersFileExFunction = NTSTATUS(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PIO_STATUS_BLOCK);
constexpr ULONG kFlushNoSync = 0x2;  // FLUSH_FLAGS_NO_SYNC

// A function of ntdll, which every process has loaded from its start: no
// DLL is loaded for it, and none from the update's folder.
template <typename Function>
Function NtdllFunction(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), name)));
}

// A function of Windows' own DLLs that only some runs need, loaded when first
// asked for rather than imported: imported, a DLL would be loaded, with all
// it brings, at the start of every run. Each comes from the system folder by
// its full path, never from the folder the update runs from, and stays
// loaded until the run ends: the shell may leave threads of its own running
// in its DLLs. Null when the DLL or the function cannot be had; GetLastError
// says why.
template <typename Function>
Function* SystemFunction(const wchar_t* library, const char* name) {
  const std::wstring folder = TextOf(::GetSystemDirectoryW);
  if (folder.empty()) return nullptr;
  const HMODULE module = ::LoadLibraryW((folder + L"\\" + library).c_str());
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function*>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

struct SystemCalls {
  // Opening, listing and renaming relative to a held folder.
  decltype(&::NtCreateFile) NtCreateFile;
  QueryDirectoryFileFunction NtQueryDirectoryFile;
  decltype(&::NtSetInformationFile) NtSetInformationFile;
  // Writing what was written out to the disk: the first null before
  // Windows 8, where each file takes the second, the disk's cache with it.
  FlushBuffersFileExFunction NtFlushBuffersFileEx;
  decltype(&::FlushFileBuffers) FlushFileBuffers;
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
  // Verifying an Authenticode signature (wintrust, crypt32): only by the
  // elevated run of a build that pins its publisher's certificate. Wine
  // trusts any self-signed chain, and Windows answers CERT_E_UNTRUSTEDROOT
  // or CERT_E_CHAINING for a root it has not met.
  decltype(&::WinVerifyTrust) WinVerifyTrust;
  decltype(&::WTHelperProvDataFromStateData) WTHelperProvDataFromStateData;
  decltype(&::WTHelperGetProvSignerFromChain) WTHelperGetProvSignerFromChain;
  decltype(&::CertNameToStrW) CertNameToStrW;
  decltype(&::CryptHashCertificate2) CryptHashCertificate2;
  // Who holds a file (rstrtmgr, Windows Vista and later): only once a copy
  // failed on a held file.
  decltype(&::RmStartSession) RmStartSession;
  decltype(&::RmRegisterResources) RmRegisterResources;
  decltype(&::RmGetList) RmGetList;
  decltype(&::RmEndSession) RmEndSession;
};

inline SystemCalls System = {
    NtdllFunction<decltype(&::NtCreateFile)>("NtCreateFile"),
    NtdllFunction<QueryDirectoryFileFunction>("NtQueryDirectoryFile"),
    NtdllFunction<decltype(&::NtSetInformationFile)>("NtSetInformationFile"),
    NtdllFunction<FlushBuffersFileExFunction>("NtFlushBuffersFileEx"),
    ::FlushFileBuffers,
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
    // Loaded on demand (LoadTrust, LoadRestartManager).
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

// Fills the entry from library the first time; whether it can be called.
template <typename Function>
bool Loaded(Function*& entry, const wchar_t* library, const char* name) {
  if (entry == nullptr) entry = SystemFunction<Function>(library, name);
  return entry != nullptr;
}

inline bool LoadTrust() {
  return Loaded(System.WinVerifyTrust, L"wintrust.dll", "WinVerifyTrust") &&
         Loaded(System.WTHelperProvDataFromStateData, L"wintrust.dll",
                "WTHelperProvDataFromStateData") &&
         Loaded(System.WTHelperGetProvSignerFromChain, L"wintrust.dll",
                "WTHelperGetProvSignerFromChain") &&
         Loaded(System.CertNameToStrW, L"crypt32.dll", "CertNameToStrW") &&
         Loaded(System.CryptHashCertificate2, L"crypt32.dll", "CryptHashCertificate2");
}

inline bool LoadRestartManager() {
  return Loaded(System.RmStartSession, L"rstrtmgr.dll", "RmStartSession") &&
         Loaded(System.RmRegisterResources, L"rstrtmgr.dll", "RmRegisterResources") &&
         Loaded(System.RmGetList, L"rstrtmgr.dll", "RmGetList") &&
         Loaded(System.RmEndSession, L"rstrtmgr.dll", "RmEndSession");
}

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
