// Deleting the media's files without force: read-only content stays, links
// are removed as links and never descended into, nothing outside is touched.
#pragma once

#include <string>

#include "platform/status.h"
#include "platform/win32/files/held_folder.h"

namespace platform::win32 {

// Marks the file or folder that handle (opened with DELETE access) names for
// deletion: it goes when the last handle to it is closed, whoever holds that
// one, and no other file that takes its name meanwhile is touched.
Status DeleteThroughHandle(HANDLE handle);

// Deletes the file name in folder, opened as itself and deleted through
// that handle; a read-only file is not forced.
Status DeleteFileIn(const HeldFolder& folder, const std::wstring& name);

// Deletes the content of folder (held for removal), each of its folders held
// in turn, and then folder itself. Goes on past a failure, so that as much
// as may be removed is, and returns the first one.
Status DeleteFolderTree(const HeldFolder& folder);

}  // namespace platform::win32
