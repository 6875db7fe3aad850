// One folder that copies go into: the installation folder for the program,
// each folder of the installed help for its files. It is made once per
// folder, on the folder held, and holds what every copy into it needs: the
// folder's listing (the installed files' stamps and spellings), what the
// volumes say of 2-second times, identities and where they lie, and what a
// new file gets there. Its listing also finds the temporaries a killed run
// left there, which it removes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/copy_rules.h"
#include "platform/status.h"
#include "platform/win32/files/held_folder.h"
#include "platform/win32/files/own_permissions.h"
#include "platform/win32/files/replace_file.h"

namespace platform::win32 {

class DestinationFolder final : private VolumeAnswers {
 public:
  // folder: held, to copy into; media: held, where the copies come from.
  // Both outlive this.
  DestinationFolder(const HeldFolder& folder, const HeldFolder& media);

  // Whether the folder could be listed.
  Status status() const { return status_; }

  // Copies the media file (as its folder lists it) into this folder, under
  // name or, for a file installed already, under the installed spelling (a
  // rename takes the case of the name it is given). A file already in place
  // is left as it is.
  Status Copy(const FolderEntry& media, const std::wstring& name, Copied copied);

 private:
  Status List();
  const FolderEntry* Find(const std::wstring& name) const;
  // What this folder's volume and the media's say, asked of the file system
  // once for all the copies into this folder, and only when a file needs it.
  bool KeepTwoSecondTimes() override;
  bool GiveIdentities() override;

  const HeldFolder& folder_;
  const HeldFolder& media_;
  std::vector<FolderEntry> installed_;    // sorted as the file system compares names
  std::optional<bool> two_second_times_;  // none until asked
  std::optional<bool> identities_;
  // Whether it lies on another machine: asked once for all its files.
  const bool on_a_share_;
  NewFilePermissions new_file_;
  Status status_;
};

// Copies the held folder source with its tree onto the held folder
// destination, a DestinationFolder for each of its folders: files of the
// same name replaced, other files of the destination kept. Links inside the
// source are skipped, never followed, so nothing outside the source folder
// is copied; a link in the destination's tree fails the copy, since through
// it the copies would land outside the installation. Stops at the first
// failure.
Status CopyFolderTree(const HeldFolder& source, const HeldFolder& destination);

}  // namespace platform::win32
