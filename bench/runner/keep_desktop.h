// Keeps Wine's desktop in use for the whole benchmark. Wine ends its desktop
// process soon after the last program using it ends, and the next program
// that shows a window starts it again; under a heavy copy that start can wait
// out a ten-second timeout, which a measured run would then be charged for.
#pragma once

#include <windows.h>

#include <string>

// Holds the desktop until the release marker appears or the time is up; true
// when the desktop could be had.
bool KeepDesktopUntilReleased(const std::wstring& release_marker, DWORD longest_ms);
