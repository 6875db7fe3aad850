// Holds a file open without sharing, as a running program holds its own
// executable, until told to let go. Writes "held" (or "error <code>") to the
// ready marker once the file is open, and lets go when the release marker
// appears or max_ms have passed.
#pragma once

#include <windows.h>

#include <string>

int HoldFileUntilReleased(const std::wstring& path, const std::wstring& ready_marker,
                          const std::wstring& release_marker, DWORD max_ms);
