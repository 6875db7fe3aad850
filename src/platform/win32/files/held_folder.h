// A folder the update works in, opened once, as itself, and held while its
// content is worked on. Its children are opened, made, listed, renamed and
// deleted relative to its handle, by their single name, and never through a
// link: a link put on the path meanwhile, above the folder or at it, cannot
// send a run with more rights than its user anywhere else. Only the folders
// an operation names are opened by path.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/held_folders.h"
#include "platform/win32/files/own_permissions.h"
#include "platform/win32/windows/scoped_handle.h"

namespace platform::win32 {

class Folder final : public HeldFolder {
 public:
  // Opens the folder at path (a long path), as itself.
  // ERROR_PATH_NOT_FOUND when it is a file; ERROR_REPARSE_ATTRIBUTE_CONFLICT
  // when it is a link.
  static Status Open(const std::wstring& path, FolderUse use, Folder* folder);

  // Opens the child folder name; made first when missing, if make, and then
  // *made (when not null) is set. As for Open, and a child that this
  // folder's listing shows as a link is one too: some platforms (Wine) open a
  // link's target all the same. listed: the child as this folder's listing
  // has just shown it; null to ask.
  Status OpenFolder(const std::wstring& name, FolderUse use, bool make, Folder* child,
                    const FolderEntry* listed, bool* made) const;

  // An open relative to a folder's handle is the I/O manager's, for every
  // file system alike (ZwCreateFile's RootDirectory in the WDK).
  // Opens or makes the child name, as itself, with NtCreateFile's access,
  // options (FILE_OPEN_REPARSE_POINT and synchronous access are added),
  // sharing, disposition and attributes of a new file. through_filter: the
  // reparse point is processed instead, as by any program's open; only for a
  // child held open meanwhile, as itself, without sharing its deletion.
  // *created (when not null): whether the open made it.
  static constexpr bool kThroughFilter = true;
  Status OpenChild(const std::wstring& name, ACCESS_MASK access, ScopedFileHandle* child,
                   ULONG options = 0, ULONG share = kShareAll, ULONG disposition = FILE_OPEN,
                   ULONG attributes = 0, bool through_filter = false,
                   bool* created = nullptr) const;

  // Every entry of the folder, read in batches through its handle, so that
  // what is listed is what the handle holds, whatever its path now names;
  // "." and ".." are left out. A name no folder gives its children (empty,
  // or holding a path's separators) ends the listing with
  // ERROR_INVALID_NAME: it is never opened.
  Status List(std::vector<FolderEntry>* entries) const;
  // The child name as this folder's listing shows it; ERROR_FILE_NOT_FOUND
  // when there is none.
  Status EntryOf(const std::wstring& name, FolderEntry* entry) const;

  // Gives file (open with DELETE), a child of this folder, the name name in
  // it, in one step, replacing a file of that name only if replace. It is
  // the simple rename
  // of FILE_RENAME_INFORMATION: no root folder and a bare name, "not being
  // moved to a different directory", so that no path is resolved at all and
  // every file system takes it: a redirector passes a root folder on, which
  // an SMB server must refuse (MS-SMB2 3.3.5.21.1).
  Status RenameInPlace(HANDLE file, const std::wstring& name, bool replace) const;
  // The same for the child from, opened as itself, for deletion, and shared
  // with every program that shares its deletion: one that holds the file
  // without (a help page in a viewer) refuses the open with a sharing
  // violation.
  Status Rename(const std::wstring& from, const std::wstring& to, bool replace) const;

  HANDLE get() const { return handle_.get(); }
  // The folder's path as it was named, for questions only a path answers
  // (where it lies) and for naming a file to the signature check.
  const std::wstring& path() const { return path_; }

  // Asked of the folder's volume once, when first needed.
  bool OnAShare() const;
  bool KeepsTwoSecondTimes() const;
  bool GivesIdentities() const;
  // What a new file made in this folder gets.
  NewFilePermissions& new_file() const { return new_file_; }

 private:
  Status ListOnly(const std::wstring& only, std::vector<FolderEntry>* entries) const;

  ScopedFileHandle handle_;
  std::wstring path_;
  mutable std::optional<bool> on_a_share_, two_second_times_, identities_;
  mutable NewFilePermissions new_file_;
};

// The attributes of the open file or folder, asked of the handle itself;
// INVALID_FILE_ATTRIBUTES when it cannot say.
DWORD AttributesOf(HANDLE file);
// Sets them through the handle (opened with FILE_WRITE_ATTRIBUTES).
Status SetAttributesOf(HANDLE file, DWORD attributes);
// Whether the open file, whose attributes are these, is a link, by the tag
// asked of the handle itself.
bool IsHeldLink(HANDLE file, DWORD attributes);
// Marks the file or folder that handle (opened with DELETE access) names for
// deletion: it goes when the last handle to it is closed, whoever holds that
// one, and no other file that takes its name meanwhile is touched.
Status DeleteThroughHandle(HANDLE handle);

}  // namespace platform::win32
