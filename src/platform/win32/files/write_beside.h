// Putting a new file in place without ever writing over the destination: its
// content is written to a temporary beside it, which gets the installed
// file's own permissions, is flushed and checked as the file needs, and then
// takes the destination's name in one step (held_folders.h, PutInPlace).
#pragma once

#include <string>

#include "platform/win32/files/held_folder.h"

namespace platform::win32 {

Status PutInPlace(const Folder& media_folder, const FolderEntry& media, const Folder& folder,
                  const std::wstring& name, const FolderEntry* installed, Copied copied);

}  // namespace platform::win32
