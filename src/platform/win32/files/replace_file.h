// Copying one file onto another without ever writing over the destination in
// place: the installed file is the old one or the new one, never half of each.
#pragma once

#include <string>

#include "platform/copy_rules.h"
#include "platform/status.h"
#include "platform/win32/files/held_folder.h"
#include "platform/win32/files/own_permissions.h"

namespace platform::win32 {

// What is copied. The program is written through to the disk before it
// replaces the installed file (NTFS may put a rename on disk before the data
// it names), and an elevated run installs it only when CheckPublisher lets
// it; help files are neither flushed one by one nor checked.
enum class Copied { kHelpFile, kProgram };

// media: the source's entry as its folder's listing gave it, so that no call
// is spent to learn its attributes and time again; the copy gets that
// last-write time and the attributes but read-only, and permissions,
// the installed file's own as read before (new_file: what a new file in the
// destination's folder gets). On failure the destination is as it was and no
// temporary file is left; a refusal is told as the file service's contract
// says (file_system.h). The temporary is made beside the destination, name
// in folder.
Status ReplaceFileWithCopy(const HeldFolder& media_folder, const FolderEntry& media,
                           const HeldFolder& folder, const std::wstring& name, Copied copied,
                           const OwnPermissions& permissions, NewFilePermissions& new_file);

// The installed file (a long path) that another program's hold last kept
// from being replaced, after the retries; empty before any was.
const std::wstring& LastHeldFile();

}  // namespace platform::win32
