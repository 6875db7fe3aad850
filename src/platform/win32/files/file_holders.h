// Who holds a file open, by the names the user knows, as the Restart Manager
// tells it (rstrtmgr.dll, Windows Vista and later): Windows Installer names
// the programs to close the same way. Nothing is closed or restarted.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/win32/windows/windows_api.h"

// After windows.h, which it does not include itself.
#include <restartmanager.h>

namespace platform::win32 {

// The Restart Manager's calls, loaded the first time a copy failed on a held
// file, not at every start; a test may put other functions in their place.
struct RestartManagerCalls {
  decltype(&::RmStartSession) RmStartSession;
  decltype(&::RmRegisterResources) RmRegisterResources;
  decltype(&::RmGetList) RmGetList;
  decltype(&::RmEndSession) RmEndSession;
};

inline RestartManagerCalls RestartManager = {};

// The programs holding the file at long_path, each once; empty when any
// call fails or nobody is found.
std::vector<FileHolder> HoldersOf(const std::wstring& long_path);

}  // namespace platform::win32
