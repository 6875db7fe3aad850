// Deleting a folder tree without force: read-only content stays, links are
// removed as links and never descended into, nothing outside is touched.
#pragma once

#include <string>

#include "platform/status.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

// Marks the file or folder that handle (opened with DELETE access) names for
// deletion: it goes when the last handle to it is closed, whoever holds that
// one, and no other file that takes its name meanwhile is touched.
Status DeleteThroughHandle(HANDLE handle);

// attributes as already known for path. Goes on past a failure, so that as much as may be removed
// is, and returns the first one.
Status DeleteFolderTree(const std::wstring& path, DWORD attributes);

}  // namespace platform::win32
