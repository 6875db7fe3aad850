// Whether a volume keeps last-write times only in 2-second steps, which
// decides how far apart two times of the same file may be.
#pragma once

#include <string>

namespace platform::win32 {

// path is a file or folder on the volume, in long form. False when the file
// system cannot be told: then only equal times count, and a file is at worst
// copied again.
bool KeepsTwoSecondTimesAt(const std::wstring& path);

}  // namespace platform::win32
