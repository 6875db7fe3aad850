// The temporary files of an update: each file is copied to a temporary,
// named ~Quadrivo-<process id>-<n>.tmp, beside the destination, and then
// takes the destination's place. A run killed in between (Task Manager, a
// crash, a power cut) leaves it behind; the next run that copies into that
// folder removes it, unless the run that made it may still be alive.
#pragma once

#include <string>

#include "platform/status.h"
#include "platform/win32/files/held_folder.h"

namespace platform::win32 {

// A new temporary file in folder, with these attributes, open for reading (a
// signature check) and writing, for being renamed or deleted through its own
// handle, and for extra_access as well, shared with no other program; its
// name in *name.
Status CreateTemporary(const HeldFolder& folder, DWORD attributes, DWORD extra_access,
                       std::wstring* name, ScopedFileHandle* file);

// Whether the process pid, which made a file at made_at (100 ns ticks since
// 1601, as FILETIME counts), may still be running: a live process started no
// later than the file, or one this user may not look at. A process that has
// ended, an id no process has, and a process started after the file (the id
// reused) are gone.
bool MakerMayBeAlive(unsigned long pid, unsigned long long made_at);

// Whether name, an entry of folder's listing, is named as a temporary of
// this program's; if so, it is removed when its maker is gone, read-only or
// not. Only a plain file is removed, checked and deleted through one handle
// that follows no link: a folder, a link or a file with another name besides
// (a hard link) is someone else's and stays, whatever its name. Tidying only:
// whatever cannot be removed stays, and the update goes on.
bool RemoveIfAbandoned(const HeldFolder& folder, const std::wstring& name);

}  // namespace platform::win32
