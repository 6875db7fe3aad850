"""The functions Quadrivo.exe may import: each is present in Windows 7 SP1,
32- and 64-bit, by the minimum version its Microsoft documentation states.
Functions older than Windows Vista are listed as such; each newer one is
annotated with the version that brought it. A function not listed here fails
the check until someone has looked it up and added it."""

OLDER = "Windows 2000 or XP"  # present in every system Quadrivo supports

_KERNEL32 = {
    "CloseHandle": OLDER,
    "CompareStringOrdinal": "Windows Vista",
    "CopyFileW": OLDER,
    "CreateDirectoryW": OLDER,
    "CreateEventW": OLDER,
    "CreateFileW": OLDER,
    "CreateSemaphoreW": OLDER,
    "DeleteCriticalSection": OLDER,
    "DeleteFileW": OLDER,
    "EnterCriticalSection": OLDER,
    "FindClose": OLDER,
    # The function is older; its FindExInfoBasic level and large-fetch flag,
    # which Quadrivo passes, need Windows 7.
    "FindFirstFileExW": "Windows 7 (for FindExInfoBasic and FIND_FIRST_EX_LARGE_FETCH)",
    "FindFirstFileW": OLDER,
    "FindNextFileW": OLDER,
    "FlushFileBuffers": OLDER,
    "FreeLibrary": OLDER,
    "GetCurrentDirectoryW": OLDER,
    "GetCurrentProcess": OLDER,
    "GetCurrentProcessId": OLDER,
    "GetCurrentThreadId": OLDER,
    "GetEnvironmentVariableW": OLDER,
    "GetDriveTypeW": OLDER,
    "GetExitCodeProcess": OLDER,
    "GetFileAttributesExW": OLDER,
    "GetFileAttributesW": OLDER,
    "GetFileInformationByHandle": OLDER,
    "GetFileInformationByHandleEx": "Windows Vista",
    "GetFinalPathNameByHandleW": "Windows Vista",
    "GetFullPathNameW": OLDER,
    "GetLastError": OLDER,
    "GetModuleFileNameW": OLDER,
    "GetModuleHandleA": OLDER,
    "GetModuleHandleW": OLDER,
    "GetProcAddress": OLDER,
    "GetProcessTimes": OLDER,
    "GetStartupInfoW": OLDER,
    "GetSystemDirectoryW": OLDER,
    "GetVolumeInformationByHandleW": "Windows Vista",
    "InitializeCriticalSection": OLDER,
    "LeaveCriticalSection": OLDER,
    "LoadLibraryA": OLDER,
    "LoadLibraryW": OLDER,
    "LocalFree": OLDER,
    "lstrcmpiW": OLDER,
    "lstrlenW": OLDER,
    "MoveFileExW": OLDER,
    "MultiByteToWideChar": OLDER,
    "OpenEventW": OLDER,
    "OpenProcess": "Windows Vista (for PROCESS_QUERY_LIMITED_INFORMATION, which Quadrivo asks for)",
    "ProcessIdToSessionId": OLDER,
    "RaiseException": OLDER,
    "QueryDosDeviceW": OLDER,
    "ReadFile": OLDER,
    "ReleaseSemaphore": OLDER,
    "RemoveDirectoryW": OLDER,
    "SetEnvironmentVariableW": OLDER,
    "SetDllDirectoryW": OLDER,
    "SetErrorMode": OLDER,
    "SetFileAttributesW": OLDER,
    "SetFileInformationByHandle": "Windows Vista",
    "SetFileTime": OLDER,
    "SetLastError": OLDER,
    "SetUnhandledExceptionFilter": OLDER,
    "Sleep": OLDER,
    "TlsAlloc": OLDER,
    "TlsFree": OLDER,
    "TlsGetValue": OLDER,
    "TlsSetValue": OLDER,
    "VirtualAlloc": OLDER,
    "VirtualProtect": OLDER,
    "VirtualQuery": OLDER,
    "WaitForSingleObject": OLDER,
    "WideCharToMultiByte": OLDER,
    # Exception handling of the 64-bit runtime (Windows XP x64 and later).
    "RtlCaptureContext": OLDER,
    "RtlLookupFunctionEntry": OLDER,
    "RtlUnwindEx": OLDER,
    "RtlVirtualUnwind": OLDER,
    "__C_specific_handler": OLDER,
    "WriteFile": OLDER,
}

# The C runtime every Windows version ships as msvcrt.dll.
_MSVCRT = {name: OLDER for name in (
    "__iob_func", "__p__commode", "__p__fmode", "__p__wcmdln", "__set_app_type",
    "__setusermatherr", "__wgetmainargs", "__winitenv", "_amsg_exit", "_cexit", "_close",
    "_commode", "_errno", "_fmode", "_initterm", "_iob", "_onexit", "_read", "_wcmdln",
    "abort", "calloc", "exit", "fprintf", "free", "fwrite", "malloc", "memchr", "memcmp",
    "memcpy", "memmove", "memset", "realloc", "signal", "strcmp", "strlen", "strncmp",
    "vfprintf", "wcslen",
)}

WINDOWS7_FUNCTIONS = {
    "kernel32.dll": _KERNEL32,
    "advapi32.dll": {
        "AddAce": OLDER,
        "GetAce": OLDER,
        "GetNamedSecurityInfoW": OLDER,
        "GetSecurityInfo": OLDER,
        "GetSecurityDescriptorControl": OLDER,
        "GetTokenInformation": OLDER,  # its TokenElevation class: Windows Vista
        "InitializeAcl": OLDER,
        "IsWellKnownSid": OLDER,
        "OpenProcessToken": OLDER,
        "RegCloseKey": OLDER,
        "RegOpenKeyExA": OLDER,
        "RegQueryValueExA": OLDER,
        "SetSecurityInfo": OLDER,
    },
    "user32.dll": {
        "GetProcessWindowStation": OLDER,
        "GetUserObjectInformationW": OLDER,
        "MessageBoxW": OLDER,
    },
    "shell32.dll": {"ShellExecuteExW": OLDER},
    # Taken from the ntdll every process has loaded (GetModuleHandleW and
    # GetProcAddress), for opening, listing and renaming relative to a held
    # folder; all exported since Windows NT 4.0.
    "ntdll.dll": {"NtCreateFile": OLDER, "NtQueryDirectoryFile": OLDER,
                  "NtSetInformationFile": OLDER, "RtlNtStatusToDosError": OLDER},
    "ole32.dll": {"CoInitializeEx": OLDER, "CoUninitialize": OLDER},
    # Loaded by its full system path only after a copy failed on a held file
    # (LoadLibraryW and GetProcAddress), to name who holds it.
    "rstrtmgr.dll": {"RmStartSession": "Windows Vista", "RmRegisterResources": "Windows Vista",
                     "RmGetList": "Windows Vista", "RmEndSession": "Windows Vista"},
    # Loaded by their full system paths only by the elevated run of a build
    # that pins its publisher's certificate, to verify the new program.
    "wintrust.dll": {"WinVerifyTrust": OLDER, "WTHelperProvDataFromStateData": OLDER,
                     "WTHelperGetProvSignerFromChain": OLDER},
    "crypt32.dll": {"CertNameToStrW": OLDER, "CryptHashCertificate2": "Windows Vista"},
    "msvcrt.dll": _MSVCRT,
}
