// Copying a folder tree onto another folder: files of the same name replaced,
// other files of the destination kept.
#pragma once

#include <string>

#include "platform/status.h"

namespace platform::win32 {

// Both paths in long form. Links and junctions inside the source are skipped,
// never followed, so nothing outside the source folder is copied. A file
// whose installed counterpart has the same size and last-write time (within
// 2 s when two_second_times) is left as it is. Stops at the first failure.
Status CopyFolderTree(const std::wstring& source, const std::wstring& destination,
                      bool two_second_times);

}  // namespace platform::win32
