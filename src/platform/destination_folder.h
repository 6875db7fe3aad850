// One folder that copies go into: the installation folder for the program,
// each folder of the installed help for its files. It is made once per
// folder, on the folder held, and holds what every copy into it needs: the
// folder's listing (the installed files' stamps and spellings) and what the
// volumes say of 2-second times and identities. Its listing also finds the
// temporaries a killed run left there, which it has removed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/copy_rules.h"
#include "platform/held_folders.h"
#include "platform/update_step.h"

namespace platform {

class DestinationFolder final : private VolumeAnswers {
 public:
  // folder: held, to copy into, at path below the update's installation
  // folder; media: held, where the copies come from; step: the update the
  // copies are written for. disk, media and step outlive this.
  DestinationFolder(HeldFolders& disk, Held folder, FolderPath path, const HeldFolder& media,
                    UpdateStep& step);

  // Whether the folder could be listed.
  Status status() const { return status_; }

  // Writes the media file (as its folder lists it) beside its destination in
  // this folder, for the update to put in place under name or, for a file
  // installed already, under the installed spelling (a rename takes the case
  // of the name it is given). A file already in place is left as it is.
  Status Copy(const FolderEntry& media, const std::wstring& name, Copied copied);

 private:
  Status List();
  const FolderEntry* Find(const std::wstring& name) const;
  bool ComesBefore(const FolderEntry& entry, const std::wstring& name) const;
  // What this folder's volume and the media's say, asked once for all the
  // copies into this folder, and only when a file needs it.
  bool KeepTwoSecondTimes() override;
  bool GiveIdentities() override;

  HeldFolders& disk_;
  Held folder_;
  FolderPath path_;
  const HeldFolder& media_;
  UpdateStep& step_;
  std::vector<FolderEntry> installed_;    // sorted as the file system compares names
  std::optional<bool> two_second_times_;  // none until asked
  std::optional<bool> identities_;
  Status status_;
};

}  // namespace platform
