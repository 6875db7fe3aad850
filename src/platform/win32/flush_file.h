// Writing a file's data through to the disk.
#pragma once

#include <string>

#include "platform/status.h"

namespace platform::win32 {

// path in long form. Once this succeeded, the file's data is on the disk, not
// only in the system's cache: a rename that makes it the installed program
// may then reach the disk before a power cut without leaving a file of zeros
// behind (NTFS writes a rename's metadata through, never the data it names).
Status FlushToDisk(const std::wstring& path);

}  // namespace platform::win32
