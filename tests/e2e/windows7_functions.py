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
    "GetExitCodeProcess": OLDER,
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
    "InitializeCriticalSection": OLDER,
    "LeaveCriticalSection": OLDER,
    "LoadLibraryA": OLDER,
    "LoadLibraryW": OLDER,
    "lstrcmpiW": OLDER,
    "MoveFileExW": OLDER,
    "MultiByteToWideChar": OLDER,
    "OpenProcess": "Windows Vista (for PROCESS_QUERY_LIMITED_INFORMATION, which Quadrivo asks for)",
    "RaiseException": OLDER,
    "ReleaseSemaphore": OLDER,
    "RemoveDirectoryW": OLDER,
    "SetEnvironmentVariableW": OLDER,
    "SetErrorMode": OLDER,
    "SetFileAttributesW": OLDER,
    "SetFileInformationByHandle": "Windows Vista",
    "SetLastError": OLDER,
    "SetUnhandledExceptionFilter": OLDER,
    "Sleep": OLDER,
    "TlsAlloc": OLDER,
    "TlsFree": OLDER,
    "TlsGetValue": OLDER,
    "TlsSetValue": OLDER,
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
        "GetTokenInformation": OLDER,  # its TokenElevation class: Windows Vista
        "OpenProcessToken": OLDER,
        "RegCloseKey": OLDER,
        "RegOpenKeyExA": OLDER,
        "RegQueryValueExA": OLDER,
    },
    "user32.dll": {
        "GetProcessWindowStation": OLDER,
        "GetUserObjectInformationW": OLDER,
        "MessageBoxW": OLDER,
    },
    "shell32.dll": {"ShellExecuteExW": OLDER},
    "ole32.dll": {"CoInitializeEx": OLDER, "CoUninitialize": OLDER},
    "msvcrt.dll": _MSVCRT,
}
