// Copying one file onto another without ever writing over the destination in
// place: the installed file is the old one or the new one, never half of each.
#pragma once

#include <string>

#include "platform/status.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

// Whether the new file's data is written through to the disk before it
// replaces the old file: for the program itself, so that a power cut cannot
// leave it a file of zeros; not for each help file, where it would cost a
// wait per file.
enum class Durability { kCached, kFlushedBeforeReplacing };

// Both paths in long form. source_attributes are the source's attributes as
// already known to the caller, so that no call is spent to learn them again.
// On failure the destination is as it was and no temporary file is left.
Status ReplaceFileWithCopy(const std::wstring& source, DWORD source_attributes,
                           const std::wstring& destination,
                           Durability durability = Durability::kCached);

}  // namespace platform::win32
