#include "platform/update_step.h"

namespace platform {

namespace {

bool IsAbsent(Status status) {
  return status == kErrorFileNotFound || status == kErrorPathNotFound;
}

// The made folder, if empty: anything another program put there meanwhile
// keeps it.
bool RemoveMadeFolder(HeldFolders& disk, const HeldFolder& parent, const std::wstring& name) {
  Held folder;
  Status status =
      disk.OpenChildFolder(parent, name, FolderUse::kRemove, false, nullptr, &folder, nullptr);
  if (status == kErrorSuccess) status = disk.DeleteFolder(*folder);
  return status == kErrorSuccess || IsAbsent(status);
}

}  // namespace

void UpdateStep::NoteMade(Held parent, const FolderPath& parent_path, const std::wstring& name) {
  made_.push_back(Made{std::move(parent), MadeFolder{parent_path, name}});
}

void UpdateStep::NoteWritten(Held folder, const FolderPath& path, const std::wstring& name,
                             Written written, bool replaces) {
  const std::wstring temporary = written->name();
  waiting_.push_back(
      Waiting{std::move(folder), std::move(written),
              Replacement{path, name, temporary, replaces ? KeptName(temporary) : std::wstring()},
              false, false});
}

// The old file is renamed aside, not replaced: a file another program holds
// refuses it, before anything of it changed.
Status UpdateStep::PutInPlace(Waiting& file) {
  const Replacement& where = file.where;
  if (!where.kept.empty() && !file.old_aside) {
    const Status status = disk_.Rename(*file.folder, where.name, where.kept, false);
    if (status != kErrorSuccess) return status;
    file.old_aside = true;
  }
  const Status status = disk_.PutWritten(*file.folder, *file.written, where.name);
  file.in_place = status == kErrorSuccess;
  if (file.in_place) file.written.reset();
  return status;
}

// Done, the record says that only the kept old files remain to go; made
// durable, with every rename before it, before anything is removed, the
// media among them.
Status UpdateStep::MarkDone(const std::wstring& pending) {
  bool done = false;
  const std::wstring name = RecordName(MakerOfRecord(pending, &done), true);
  Status status = disk_.Rename(*root_, pending, name, false);
  if (status != kErrorSuccess) return status;
  record_ = name;
  status = disk_.MakeDurable(*root_, name);
  if (status == kErrorSuccess) return status;
  // Not on the disk yet: pending again, to be put back; a record that cannot
  // be made pending again leaves the update whole all the same.
  if (disk_.Rename(*root_, name, pending, false) != kErrorSuccess) return kErrorSuccess;
  record_ = pending;
  return status;
}

Status UpdateStep::Finish(Replacement* failed, bool* as_it_was) {
  *as_it_was = true;
  if (waiting_.empty()) return kErrorSuccess;
  *failed = Replacement();
  UpdateRecord record;
  for (const Waiting& file : waiting_) record.replacements.push_back(file.where);
  for (const Made& made : made_) record.made_folders.push_back(made.where);
  std::wstring pending;
  Status status = disk_.WriteRecord(*root_, Encode(record), &pending);
  if (status == kErrorSuccess) record_ = pending;
  for (Waiting& file : waiting_) {
    if (status != kErrorSuccess) break;
    status = PutInPlace(file);
    if (status != kErrorSuccess) *failed = file.where;
  }
  if (status == kErrorSuccess) status = MarkDone(pending);
  if (status != kErrorSuccess) {
    *as_it_was = PutBack();
    return status;
  }
  // Tidying: a kept file that cannot go now (the old program, still running)
  // has an abandoned temporary's name, which a later run removes.
  for (const Waiting& file : waiting_) {
    if (!file.where.kept.empty()) disk_.DeleteOwn(*file.folder, file.where.kept);
  }
  disk_.DeleteOwn(*root_, record_);
  waiting_.clear();
  made_.clear();
  return kErrorSuccess;
}

// Last in, first out. The record goes only once everything is back, so that
// what could not be put back is put back by a later run.
bool UpdateStep::PutBack() {
  bool back = true;
  for (auto file = waiting_.rbegin(); file != waiting_.rend(); ++file) {
    const Replacement& where = file->where;
    Status status = kErrorSuccess;
    if (file->in_place) {
      status = where.kept.empty() ? disk_.DeleteOwn(*file->folder, where.name)
                                  : disk_.Rename(*file->folder, where.kept, where.name, true);
      file->in_place = status != kErrorSuccess;
      file->old_aside = file->in_place;
    } else if (file->old_aside) {
      status = disk_.Rename(*file->folder, where.kept, where.name, false);
      file->old_aside = status != kErrorSuccess;
    }
    back = back && status == kErrorSuccess;
  }
  back = Abandon() && back;
  if (back && !record_.empty()) back = disk_.DeleteOwn(*root_, record_) == kErrorSuccess;
  return back;
}

// A folder held open is not removed: each made folder goes once nothing of
// the step holds it any more, the last made first.
bool UpdateStep::Abandon() {
  bool gone = true;
  for (Waiting& file : waiting_) {
    if (file.in_place || file.old_aside) continue;
    file.written.reset();
    const Status status = disk_.DeleteOwn(*file.folder, file.where.temporary);
    gone = gone && (status == kErrorSuccess || IsAbsent(status));
  }
  waiting_.clear();
  while (!made_.empty()) {
    const Made made = std::move(made_.back());
    made_.pop_back();
    gone = RemoveMadeFolder(disk_, *made.parent, made.where.name) && gone;
  }
  return gone;
}

namespace {

// The folder at path below root, as itself; null for the root itself.
Status OpenPath(HeldFolders& disk, const HeldFolder& root, const FolderPath& path, Held* folder) {
  Held at;
  for (const std::wstring& name : path) {
    Held child;
    const Status status = disk.OpenChildFolder(at ? *at : root, name, FolderUse::kRead, false,
                                               nullptr, &child, nullptr);
    if (status != kErrorSuccess) return status;
    at = std::move(child);
  }
  *folder = std::move(at);
  return kErrorSuccess;
}

bool Has(HeldFolders& disk, const HeldFolder& folder, const std::wstring& name) {
  FolderEntry entry;
  return disk.EntryOf(folder, name, &entry) == kErrorSuccess;
}

// Every old file is there, under its own name or its kept one; one that is
// under neither is not guessed at.
Status CheckOldFiles(HeldFolders& disk, const HeldFolder& root, const UpdateRecord& record) {
  for (const Replacement& where : record.replacements) {
    if (where.kept.empty()) continue;
    Held opened;
    const Status status = OpenPath(disk, root, where.folder, &opened);
    if (IsAbsent(status)) return kErrorUpdateRecordUnusable;
    if (status != kErrorSuccess) return status;
    const HeldFolder& folder = opened ? *opened : root;
    if (!Has(disk, folder, where.kept) && !Has(disk, folder, where.name)) {
      return kErrorUpdateRecordUnusable;
    }
  }
  return kErrorSuccess;
}

// Each file as the record found it: the kept old file back under its name
// (over the new one, if it is there), an added file removed, the temporary
// discarded; then the folders the run made, if nothing else is in them.
Status PutBackFiles(HeldFolders& disk, const HeldFolder& root, const UpdateRecord& record) {
  for (auto where = record.replacements.rbegin(); where != record.replacements.rend(); ++where) {
    Held opened;
    Status status = OpenPath(disk, root, where->folder, &opened);
    if (IsAbsent(status)) continue;  // a folder the run made, never filled
    if (status != kErrorSuccess) return status;
    const HeldFolder& folder = opened ? *opened : root;
    status = where->kept.empty() ? disk.DeleteOwn(folder, where->name)
                                 : disk.Rename(folder, where->kept, where->name, true);
    if (status == kErrorSuccess || IsAbsent(status))
      status = disk.DeleteOwn(folder, where->temporary);
    if (status != kErrorSuccess && !IsAbsent(status)) return status;
  }
  for (auto made = record.made_folders.rbegin(); made != record.made_folders.rend(); ++made) {
    Held parent;
    if (OpenPath(disk, root, made->parent, &parent) != kErrorSuccess) continue;
    RemoveMadeFolder(disk, parent ? *parent : root, made->name);
  }
  return kErrorSuccess;
}

// Whole already: only the kept old files remain to be removed.
void RemoveKeptFiles(HeldFolders& disk, const HeldFolder& root, const UpdateRecord& record) {
  for (const Replacement& where : record.replacements) {
    Held opened;
    if (where.kept.empty() || OpenPath(disk, root, where.folder, &opened) != kErrorSuccess) {
      continue;
    }
    disk.DeleteOwn(opened ? *opened : root, where.kept);
  }
}

Status PutBackLeft(HeldFolders& disk, const HeldFolder& root, const std::wstring& name,
                   unsigned long maker, bool done) {
  std::string bytes;
  Status status = disk.ReadRecord(root, name, maker, &bytes);
  if (status != kErrorSuccess) return status;
  UpdateRecord record;
  if (!Decode(bytes, &record)) return kErrorUpdateRecordUnusable;
  if (done) {
    RemoveKeptFiles(disk, root, record);
  } else {
    status = CheckOldFiles(disk, root, record);
    if (status == kErrorSuccess) status = PutBackFiles(disk, root, record);
  }
  return status == kErrorSuccess ? disk.DeleteOwn(root, name) : status;
}

}  // namespace

std::vector<FileHolder> UpdateStep::HoldersOf(const Replacement& file) {
  Held folder;
  if (OpenPath(disk_, *root_, file.folder, &folder) != kErrorSuccess) return {};
  return disk_.HoldersOf(folder ? *folder : *root_, file.name);
}

Status PutBackLeftUpdates(HeldFolders& disk, const HeldFolder& root) {
  std::vector<FolderEntry> entries;
  Status status = disk.List(root, &entries);
  for (const FolderEntry& entry : entries) {
    if (status != kErrorSuccess) return status;
    bool done = false;
    const unsigned long maker = MakerOfRecord(entry.name, &done);
    if (maker == 0 || IsFolder(entry.attributes) || IsLink(entry)) continue;
    status = PutBackLeft(disk, root, entry.name, maker, done);
  }
  return status;
}

}  // namespace platform
