// Copying one file onto another without ever writing over the destination in
// place: the installed file is the old one or the new one, never half of each.
#pragma once

#include <string>

#include "platform/status.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

// Both paths in long form. source_attributes are the source's attributes as
// already known to the caller, so that no call is spent to learn them again.
// On failure the destination is as it was and no temporary file is left.
Status ReplaceFileWithCopy(const std::wstring& source, DWORD source_attributes,
                           const std::wstring& destination);

}  // namespace platform::win32
