// The entry point hands the argument part of the command line to the
// platform layer, which gives it to the run unchanged.
#pragma once

namespace platform::win32 {

void KeepCommandLineArgument(const wchar_t* argument);

}  // namespace platform::win32
