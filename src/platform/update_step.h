// One update as one step (file_system.h): every new file is written beside
// its destination first, replacing nothing; then all take their places, the
// old files kept aside under names of the run's own until every one has, so
// that a failure on the way puts every old file back. A record in the
// installation folder (update_record.h), written through to the disk before
// the first replacement, lets a later run do the same for a run that ended
// half-way.
#pragma once

#include <string>
#include <vector>

#include "platform/held_folders.h"
#include "platform/update_record.h"

namespace platform {

class UpdateStep {
 public:
  // root: the installation folder, held.
  UpdateStep(HeldFolders& disk, Held root) : disk_(disk), root_(std::move(root)) {}

  // The folder name of parent (at parent_path below the root) was made by
  // this step.
  void NoteMade(Held parent, const FolderPath& parent_path, const std::wstring& name);
  // The new file written in folder (at path below the root) is to take the
  // name name, where a file is (replaces) or is not.
  void NoteWritten(Held folder, const FolderPath& path, const std::wstring& name, Written written,
                   bool replaces);

  // Puts every noted file in place, or none (file_system.h's FinishUpdate);
  // *failed: the file it failed on (no name for the record).
  Status Finish(Replacement* failed, bool* as_it_was);
  // Discards what was written and made; true when all of it went.
  bool Abandon();
  // The programs holding the file, asked once the step failed on it.
  std::vector<FileHolder> HoldersOf(const Replacement& file);

 private:
  struct Waiting {
    Held folder;
    Written written;  // until it is in place
    Replacement where;
    bool old_aside;  // the old file has its kept name
    bool in_place;   // the new file has its name
  };
  struct Made {
    Held parent;
    MadeFolder where;
  };

  Status PutInPlace(Waiting& file);
  Status MarkDone(const std::wstring& pending);
  bool PutBack();

  HeldFolders& disk_;
  Held root_;
  std::vector<Waiting> waiting_;  // in the order they go in place
  std::vector<Made> made_;
  std::wstring record_;  // the record's name, once written
};

// Puts back the installation held as root as it was before each update a
// run that has ended left half-way in it, and completes the tidying of one
// that was whole (file_system.h's BeginUpdate).
Status PutBackLeftUpdates(HeldFolders& disk, const HeldFolder& root);

}  // namespace platform
