// Paths in the form that reaches past MAX_PATH: absolute, with the \\?\ (or
// \\?\UNC\) prefix, so that the file functions take them literally. Only
// the folders an operation names are opened by path; what lies in them is
// opened relative to their handles (held_folder.h).
#pragma once

#include <string>

#include "platform/process.h"

namespace platform::win32 {

// A relative path is taken from the current folder. A path that cannot be
// made absolute is returned unchanged, for the file call to report.
std::wstring LongPath(const std::wstring& path);

// Where a long path lies: a UNC path is a share, a drive letter whose type is
// DRIVE_REMOTE one mapped to a share, a letter whose device is a folder's
// path (\??\C:\...) one made by subst.
NetworkPlace PlaceOf(const std::wstring& long_path);

// The folder and a name inside it, with one backslash between them.
std::wstring JoinPath(const std::wstring& folder, const wchar_t* name);

}  // namespace platform::win32
