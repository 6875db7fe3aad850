// Deleting a folder tree without force: read-only content stays, links are
// removed as links and never descended into, nothing outside is touched.
#pragma once

#include <string>

#include "platform/status.h"
#include "platform/win32/windows/windows_api.h"

namespace platform::win32 {

// Marks the file or folder that handle (opened with DELETE access) names for
// deletion: it goes when the last handle to it is closed, whoever holds that
// one, and no other file that takes its name meanwhile is touched.
Status DeleteThroughHandle(HANDLE handle);

// attributes: path's as its folder's listing gives them. Each folder of the
// tree is opened as itself, checked and listed through that one handle,
// which nobody may rename or delete while it is held: its name cannot be
// swapped for a link to another folder while its content is deleted by name.
// A link in the tree is removed as a link. Goes on past a failure, so that as
// much as may be removed is, and returns the first one; ERROR_PATH_NOT_FOUND
// when path names a file.
Status DeleteFolderTree(const std::wstring& path, DWORD attributes);

}  // namespace platform::win32
