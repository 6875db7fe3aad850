// A new file written without ever writing over its destination: its content
// goes to a temporary beside it, which gets the installed file's own
// permissions, is checked as the file needs and written out to the disk,
// ready for the update to put it in place (held_folders.h, WriteBeside).
#pragma once

#include <string>

#include "platform/win32/files/held_folder.h"

namespace platform::win32 {

Status WriteBeside(const Folder& media_folder, const FolderEntry& media, const Folder& folder,
                   const FolderEntry* installed, Copied copied, std::wstring* temporary);

}  // namespace platform::win32
