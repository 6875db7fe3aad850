// Who holds a file open, by the names the user knows, as the Restart Manager
// tells it (rstrtmgr.dll, Windows Vista and later): Windows Installer names
// the programs to close the same way. Nothing is closed or restarted.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/win32/windows/windows_api.h"

namespace platform::win32 {

// The programs holding the file at long_path, each once; empty when any
// call fails or nobody is found.
std::vector<FileHolder> HoldersOf(const std::wstring& long_path);

}  // namespace platform::win32
