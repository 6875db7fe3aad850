// The argument part of the process's command line, exactly as the process
// received it: no quotes or blanks stripped.
#pragma once

#include <string>

namespace platform {

std::wstring CommandLineArgument();

}  // namespace platform
