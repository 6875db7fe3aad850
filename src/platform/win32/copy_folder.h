// Copying a folder tree onto another folder: files of the same name replaced,
// other files of the destination kept.
#pragma once

#include <string>

#include "platform/status.h"

namespace platform::win32 {

// Links and junctions inside the source are skipped,
// never followed, so nothing outside the source folder is copied. A file
// already in place is left as it is. Stops at the first failure.
Status CopyFolderTree(const std::wstring& source, const std::wstring& destination);

}  // namespace platform::win32
