// The file-system service of an update (file_system.h), written once over
// the held-folder primitives (held_folders.h): each operation opens the
// folders it names once, by path, and works relative to them from there on.
#include <new>
#include <utility>

#include "platform/destination_folder.h"
#include "platform/file_system.h"
#include "platform/held_folders.h"
#include "platform/update_step.h"

namespace platform {

namespace {

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, std::wstring(prefix).size(), prefix) == 0;
}

// The length of a full path's root, its last backslash included: "C:\",
// "\\?\C:\", "\\?\UNC\server\share\", "\\server\share\"; 0 for a bare name.
std::size_t RootLength(const std::wstring& path) {
  int components = 0;
  std::size_t end = 0;
  if (StartsWith(path, L"\\\\?\\UNC\\")) {
    components = 3;
    end = 4;
  } else if (StartsWith(path, L"\\\\?\\")) {
    components = 1;
    end = 4;
  } else if (StartsWith(path, L"\\\\")) {
    components = 2;
    end = 2;
  } else if (path.size() >= 2 && path[1] == L':') {
    return path.size() > 2 && path[2] == L'\\' ? 3 : 2;
  }
  for (; components > 0; --components) {
    end = path.find(L'\\', end);
    if (end == std::wstring::npos) return path.size();
    ++end;
  }
  return end;
}

void KeepFirst(Status& first, Status status) {
  if (first == kErrorSuccess) first = status;
}

std::wstring WithoutLastBackslash(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

class FileService final : public FileSystemObject {
 public:
  explicit FileService(std::unique_ptr<HeldFolders> disk) : disk_(std::move(disk)) {}

  Status CopyFile(const std::wstring& source, const std::wstring& destination) override;
  Status DeleteFile(const std::wstring& path) override;
  Status CopyFolder(const std::wstring& source, const std::wstring& destination) override;
  Status DeleteFolder(const std::wstring& path) override;
  Status BeginUpdate(const std::wstring& installation_folder) override;
  Status FinishUpdate(std::wstring* failed_file, bool* as_it_was) override;
  void AbandonUpdate() override {
    if (step_) step_->Abandon();
    step_.reset();
    lock_.reset();
  }
  Status FolderExists(const std::wstring& path, bool* exists) override {
    return disk_->FolderExists(path, exists);
  }
  bool IsSameOrInside(const std::wstring& path, const std::wstring& other) override {
    return disk_->IsSameOrInside(path, other);
  }
  std::vector<FileHolder> HoldersOfHeldFile() override { return holders_; }

 private:
  Status OpenNamedFolder(const std::wstring& full_path, FolderUse use, Held* folder);
  Status OpenDestination(const std::wstring& full_path, Held* folder, FolderPath* path);
  bool IsBelowRoot(const std::wstring& full_path, FolderPath* path);
  Status OwnStep(Status copied);
  Status CopyFiles(const HeldFolder& source, const Held& destination, const FolderPath& path,
                   std::vector<FolderEntry>& subfolders);
  Status CopyTree(const HeldFolder& source, const Held& destination, const FolderPath& path);
  Status DeleteEntry(const HeldFolder& folder, const FolderEntry& entry);
  Status DeleteTree(const HeldFolder& folder);

  std::unique_ptr<HeldFolders> disk_;
  // The update under way, from BeginUpdate to FinishUpdate, and its
  // installation folder's full path.
  std::unique_ptr<UpdateStep> step_;
  std::wstring root_;
  // Two runs of one update at once (a double click) would each undo what
  // the other put in place: one waits its turn, by failing.
  FileLock lock_;
  // Who held the file the last update failed on.
  std::vector<FileHolder> holders_;
};

// The folder a full path names, held as itself: its parent is opened by
// path, it relative to that.
Status FileService::OpenNamedFolder(const std::wstring& full_path, FolderUse use, Held* folder) {
  const PathParts parts = SplitLast(full_path);
  if (parts.name.empty()) return disk_->OpenFolder(parts.folder, use, folder);
  Held parent;
  const Status opened = disk_->OpenFolder(parts.folder, FolderUse::kRead, &parent);
  if (opened != kErrorSuccess) return opened;
  return disk_->OpenChildFolder(*parent, parts.name, use, false, nullptr, folder, nullptr);
}

// Whether the full path is the update's installation folder or lies below
// it, as spelled; *path: where below it.
bool FileService::IsBelowRoot(const std::wstring& full_path, FolderPath* path) {
  path->clear();
  std::wstring rest = full_path;
  while (!rest.empty() && rest.size() > root_.size()) {
    const PathParts parts = SplitLast(rest);
    if (parts.name.empty()) return false;
    path->insert(path->begin(), parts.name);
    rest = parts.folder;
  }
  return disk_->CompareNames(WithoutLastBackslash(rest), WithoutLastBackslash(root_)) == 0;
}

// A copy's destination folder, made when missing, which the update notes.
Status FileService::OpenDestination(const std::wstring& full_path, Held* folder, FolderPath* path) {
  if (!IsBelowRoot(full_path, path)) return kErrorInvalidParameter;
  const PathParts parts = SplitLast(full_path);
  if (parts.name.empty() || path->empty())
    return OpenNamedFolder(full_path, FolderUse::kRead, folder);
  Held parent;
  Status status = disk_->OpenFolder(parts.folder, FolderUse::kRead, &parent);
  bool made = false;
  if (status == kErrorSuccess) {
    status =
        disk_->OpenChildFolder(*parent, parts.name, FolderUse::kRead, true, nullptr, folder, &made);
  }
  if (made) step_->NoteMade(parent, FolderPath(path->begin(), path->end() - 1), parts.name);
  return status;
}

Status FileService::BeginUpdate(const std::wstring& installation_folder) {
  step_.reset();
  lock_.reset();
  root_ = disk_->FullPath(installation_folder);
  Held root;
  Status status = OpenNamedFolder(root_, FolderUse::kRead, &root);
  if (status == kErrorSuccess) status = disk_->LockUpdate(*root, &lock_);
  if (status == kErrorSuccess) status = PutBackLeftUpdates(*disk_, *root);
  if (status == kErrorSuccess) step_.reset(new (std::nothrow) UpdateStep(*disk_, root));
  if (status == kErrorSuccess && !step_) status = kErrorNotEnoughMemory;
  if (status != kErrorSuccess) lock_.reset();
  return status;
}

Status FileService::FinishUpdate(std::wstring* failed_file, bool* as_it_was) {
  *as_it_was = true;
  if (!step_) return kErrorSuccess;
  Replacement failed;
  const Status status = step_->Finish(&failed, as_it_was);
  FolderPath file = failed.folder;
  file.push_back(failed.name);
  *failed_file = failed.name.empty() ? std::wstring() : Joined(file);
  if (status == kErrorSharingViolation || status == kErrorLockViolation) {
    holders_ = step_->HoldersOf(failed);
  }
  step_.reset();
  lock_.reset();
  return status;
}

// Outside an update, a copy is one of its own, in the folder given.
Status FileService::OwnStep(Status copied) {
  if (copied != kErrorSuccess) {
    AbandonUpdate();
    return copied;
  }
  std::wstring failed;
  bool as_it_was = true;
  return FinishUpdate(&failed, &as_it_was);
}

Status FileService::CopyFile(const std::wstring& source, const std::wstring& destination) {
  holders_.clear();
  const std::wstring from = disk_->FullPath(source);
  const std::wstring to = disk_->FullPath(destination);
  const PathParts installed = SplitLast(to);
  const bool own = !step_;
  if (own) {
    const Status begun = BeginUpdate(installed.folder);
    if (begun != kErrorSuccess) return begun;
  }
  const PathParts media = SplitLast(from);
  Held media_folder;
  Status status = disk_->OpenFolder(media.folder, FolderUse::kRead, &media_folder);
  FolderEntry program{};
  if (status == kErrorSuccess) status = disk_->EntryOf(*media_folder, media.name, &program);
  if (status == kErrorSuccess && IsFolder(program.attributes)) status = kErrorFileNotFound;
  // A link's own content is not the program; what it points to is not this
  // folder's.
  if (status == kErrorSuccess && IsLink(program)) status = kErrorReparseAttributeConflict;
  // A file copied onto itself would always look already in place.
  if (status == kErrorSuccess && disk_->IsSameOrInside(to, from)) status = kErrorSameFile;
  FolderPath path;
  Held installation;
  if (status == kErrorSuccess && !IsBelowRoot(installed.folder, &path)) {
    status = kErrorInvalidParameter;
  }
  if (status == kErrorSuccess) {
    status = disk_->OpenFolder(installed.folder, FolderUse::kRead, &installation);
  }
  if (status == kErrorSuccess) {
    DestinationFolder target(*disk_, installation, path, *media_folder, *step_);
    status = target.status();
    if (status == kErrorSuccess) status = target.Copy(program, installed.name, Copied::kProgram);
  }
  return own ? OwnStep(status) : status;
}

// Without force: a read-only file is refused.
Status FileService::DeleteFile(const std::wstring& path) {
  const PathParts parts = SplitLast(disk_->FullPath(path));
  Held folder;
  const Status opened = disk_->OpenFolder(parts.folder, FolderUse::kRead, &folder);
  return opened != kErrorSuccess ? opened : disk_->DeleteChild(*folder, parts.name, false);
}

// The source is opened first, so that a missing source creates nothing.
Status FileService::CopyFolder(const std::wstring& source, const std::wstring& destination) {
  holders_.clear();
  const std::wstring from = disk_->FullPath(source);
  const std::wstring to = disk_->FullPath(destination);
  const bool own = !step_;
  if (own) {
    const Status begun = BeginUpdate(SplitLast(to).folder);
    if (begun != kErrorSuccess) return begun;
  }
  // A copy into the source itself would feed on itself without end.
  Status status = disk_->IsSameOrInside(to, from) ? kErrorSameFile : kErrorSuccess;
  Held media;
  if (status == kErrorSuccess) status = OpenNamedFolder(from, FolderUse::kRead, &media);
  Held installed;
  FolderPath path;
  if (status == kErrorSuccess) status = OpenDestination(to, &installed, &path);
  if (status == kErrorSuccess) status = CopyTree(*media, installed, path);
  return own ? OwnStep(status) : status;
}

// Copies the folder's own files and collects its subfolders. Links inside
// the source are skipped, never followed, so nothing outside the source
// folder is copied; any other entry is copied or fails the copy, so that
// nothing is skipped without a word.
Status FileService::CopyFiles(const HeldFolder& source, const Held& destination,
                              const FolderPath& path, std::vector<FolderEntry>& subfolders) {
  std::vector<FolderEntry> entries;
  const Status listed = disk_->List(source, &entries);
  if (listed != kErrorSuccess) return listed;
  DestinationFolder target(*disk_, destination, path, source, *step_);
  if (target.status() != kErrorSuccess) return target.status();
  for (FolderEntry& entry : entries) {
    if (IsLink(entry)) continue;
    if (IsFolder(entry.attributes)) {
      subfolders.push_back(std::move(entry));
      continue;
    }
    const Status status = target.Copy(entry, entry.name, Copied::kHelpFile);
    if (status != kErrorSuccess) return status;
  }
  return kErrorSuccess;
}

// Each folder's files go before its subfolders; a link in the destination's
// tree fails the copy (the child folder is opened as itself), since through
// it the copies would land outside the installation. Stops at the first
// failure.
Status FileService::CopyTree(const HeldFolder& source, const Held& destination,
                             const FolderPath& path) {
  std::vector<FolderEntry> subfolders;
  Status status = CopyFiles(source, destination, path, subfolders);
  for (const FolderEntry& entry : subfolders) {
    if (status != kErrorSuccess) break;
    Held from;
    Held to;
    bool made = false;
    status =
        disk_->OpenChildFolder(source, entry.name, FolderUse::kRead, false, &entry, &from, nullptr);
    if (status == kErrorSuccess) {
      status = disk_->OpenChildFolder(*destination, entry.name, FolderUse::kRead, true, nullptr,
                                      &to, &made);
    }
    if (made) step_->NoteMade(destination, path, entry.name);
    FolderPath below = path;
    below.push_back(entry.name);
    if (status == kErrorSuccess) status = CopyTree(*from, to, below);
  }
  return status;
}

Status FileService::DeleteFolder(const std::wstring& path) {
  Held folder;
  const Status opened = OpenNamedFolder(disk_->FullPath(path), FolderUse::kRemove, &folder);
  return opened != kErrorSuccess ? opened : DeleteTree(*folder);
}

// Without force, read-only content stays; the attribute comes with the
// folder's listing, so no call is spent to be refused. A link is removed as
// a link, never descended into.
Status FileService::DeleteEntry(const HeldFolder& folder, const FolderEntry& entry) {
  if (IsReadOnly(entry.attributes)) return kErrorAccessDenied;
  if (IsLink(entry)) return disk_->DeleteChild(folder, entry.name, true);
  if (!IsFolder(entry.attributes)) return disk_->DeleteChild(folder, entry.name, false);
  Held child;
  const Status opened = disk_->OpenChildFolder(folder, entry.name, FolderUse::kRemove, false,
                                               &entry, &child, nullptr);
  return opened != kErrorSuccess ? opened : DeleteTree(*child);
}

// Goes on past a failure, so that as much as may be removed is, and returns
// the first one; the folder itself goes last.
Status FileService::DeleteTree(const HeldFolder& folder) {
  std::vector<FolderEntry> entries;
  Status first = disk_->List(folder, &entries);
  for (const FolderEntry& entry : entries) KeepFirst(first, DeleteEntry(folder, entry));
  return first != kErrorSuccess ? first : disk_->DeleteFolder(folder);
}

}  // namespace

PathParts SplitLast(const std::wstring& path) {
  const std::size_t root = RootLength(path);
  std::size_t end = path.size();
  while (end > root && path[end - 1] == L'\\') --end;
  if (end <= root) return {path, std::wstring()};
  const std::size_t cut = path.rfind(L'\\', end - 1);
  if (cut == std::wstring::npos || cut < root) {
    return {path.substr(0, root), path.substr(root, end - root)};
  }
  return {path.substr(0, cut + 1 == root ? root : cut), path.substr(cut + 1, end - cut - 1)};
}

std::unique_ptr<FileSystemObject> CreateFileSystemObject() {
  std::unique_ptr<HeldFolders> disk = CreateHeldFolders();
  if (!disk) return nullptr;
  return std::unique_ptr<FileSystemObject>(new (std::nothrow) FileService(std::move(disk)));
}

}  // namespace platform
