// Removing a directory link or junction itself, never the folder it points to.
#pragma once

#include <string>

#include "platform/status.h"

namespace platform::win32 {

Status RemoveDirectoryLink(const std::wstring& link);

}  // namespace platform::win32
