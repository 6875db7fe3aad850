// The temporaries of an update (copy_rules.h): made beside each destination,
// and removed by a later run when a killed run left them behind.
#pragma once

#include <string>

#include "platform/win32/files/held_folder.h"

namespace platform::win32 {

// A new temporary file in folder, with these attributes, open for reading (a
// signature check) and writing, for being renamed or deleted through its own
// handle, and for extra_access as well, shared with no other program; its
// name in *name.
Status CreateTemporary(const Folder& folder, DWORD attributes, DWORD extra_access,
                       std::wstring* name, ScopedFileHandle* file);

// Whether the process pid, which made a file at made_at (100 ns ticks since
// 1601, as FILETIME counts), may still be running: a live process started no
// later than the file, or one this user may not look at. A process that has
// ended, an id no process has, and a process started after the file (the id
// reused) are gone.
bool MakerMayBeAlive(unsigned long pid, unsigned long long made_at);

// Removes the temporary name of folder, which the process maker made, when
// that process is gone (held_folders.h), read-only or not.
void RemoveAbandoned(const Folder& folder, const std::wstring& name, unsigned long maker);

}  // namespace platform::win32
