// Whether two names lead to the same file or folder, decided by what the file
// system says rather than by spelling: another drive letter (subst, a mapped
// drive beside its UNC path), a short name, a junction, a symbolic link or a
// hard link all name one file that the text of the paths does not show.
#pragma once

#include <string>

#include "platform/win32/windows/windows_api.h"

namespace platform::win32 {

// Whether the file system gives the open file or folder an identity (a file
// index) at all; some network and FAT drivers do not.
bool HasIdentity(HANDLE file);

// Whether two open handles are of one file, by its identity; false where
// there is none.
bool IsSameFile(HANDLE file, HANDLE other);

// True when path is folder itself or lies inside it; for a file, when path is
// that file.
// A path that does not exist yet is judged by its nearest existing parent;
// the real location of that one is walked up, so that a link leading into
// the folder is found. The comparison of the texts decides too, and alone
// where identity cannot be had.
bool IsSameOrInside(const std::wstring& path, const std::wstring& folder);

}  // namespace platform::win32
