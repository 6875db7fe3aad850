// Copying one file onto another without ever writing over the destination in
// place: the installed file is the old one or the new one, never half of each.
#pragma once

#include <string>

#include "platform/status.h"
#include "platform/win32/temporary_files.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

// Whether the copy is written through to the disk before it replaces the
// installed file: NTFS may put a rename on disk before the data it names.
enum class Flush { kNo, kToDisk };

// Whether a file is already installed at the destination, as the caller
// knows it: only such a file has permissions of its own to keep, and asking
// for those of a name that is not there costs a lookup.
enum class Installed { kAbsent, kPresent };

// source_attributes and source_write_time are the source's as already known
// to the caller, so that no call is spent to learn them again; the copy gets
// that last-write time and the attributes but read-only, and the installed
// file's own permissions. On failure the destination is as it was and no
// temporary file is left. A destination another program holds open fails
// with ERROR_SHARING_VIOLATION, one this user may not replace with
// ERROR_ACCESS_DENIED. The temporary is made in staging, when there is one,
// else beside the destination. A copy flushed to disk is the program itself,
// which an elevated run installs only when CheckPublisher lets it.
Status ReplaceFileWithCopy(const std::wstring& source, DWORD source_attributes,
                           const FILETIME& source_write_time, const std::wstring& destination,
                           Flush flush, Installed installed, StagingFolder* staging = nullptr);

}  // namespace platform::win32
