// The update's own files (update_record.h): the temporaries made beside each
// destination, the old files kept aside, the record, and their removal by a
// later run when a killed run left them behind.
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

// Writes size bytes of data to file; a write that stops short (a nearly full
// disk) is written on from where it stopped.
Status WriteAll(HANDLE file, const char* data, DWORD size);
// Writes what was written to file out to the disk, not through the disk's
// own cache where Windows can tell the two apart (held_folders.h).
Status WriteOut(HANDLE file);

// Deletes the file name of folder, opened as itself, read-only or not
// (held_folders.h, DeleteOwn).
Status DeleteOwn(const Folder& folder, const std::wstring& name);
// The update's lock (held_folders.h, LockUpdate).
Status LockUpdate(const Folder& folder, ScopedFileHandle* lock);
// The record (held_folders.h, WriteRecord, ReadRecord and MakeDurable).
Status WriteRecord(const Folder& folder, const std::string& bytes, std::wstring* name);
Status ReadRecord(const Folder& folder, const std::wstring& name, unsigned long maker,
                  std::string* bytes);
Status MakeDurable(const Folder& folder, const std::wstring& name);

// Removes the temporary name of folder, which the process maker made, when
// that process is gone (held_folders.h), read-only or not.
void RemoveAbandoned(const Folder& folder, const std::wstring& name, unsigned long maker);

}  // namespace platform::win32
