#include "fake/fake_disk.h"

#include <algorithm>
#include <cwctype>
#include <memory>

#include "fake/fake_platform.h"
#include "platform/update_record.h"

namespace fake {

namespace {

bool IsSameOrBelow(const std::wstring& key, const std::wstring& folder) {
  return key == folder || key.compare(0, folder.size() + 1, folder + L"\\") == 0;
}

// A folder held: its key once aliases are followed, the path it was opened
// by, and whether that path gives identities.
struct FakeFolder final : platform::HeldFolder {
  std::wstring key;
  bool identity;
};

const FakeFolder& Held(const platform::HeldFolder& folder) {
  return static_cast<const FakeFolder&>(folder);
}

// The tests' media are on drive D:, their installations elsewhere.
void NoteRemoval(const std::wstring& key) {
  if (key.compare(0, 2, L"d:") == 0) Platform().removals_elevated.push_back(Platform().elevated);
}

std::wstring LastName(const std::wstring& key) { return key.substr(key.rfind(L'\\') + 1); }

}  // namespace

std::wstring FakeDisk::Key(const std::wstring& path) {
  std::wstring key = path;
  std::transform(key.begin(), key.end(), key.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  while (key.size() > 1 && key.back() == L'\\') key.pop_back();
  // Windows reads a run of backslashes inside a path as one; a leading pair
  // names a network share and stays.
  for (std::size_t i = 2; i < key.size();) {
    if (key[i] == L'\\' && key[i - 1] == L'\\') {
      key.erase(i, 1);
    } else {
      ++i;
    }
  }
  return key;
}

std::wstring FakeDisk::Parent(const std::wstring& key) {
  const std::size_t cut = key.rfind(L'\\');
  return cut == std::wstring::npos ? std::wstring() : key.substr(0, cut);
}

// A bare name lies in the current folder, "".
std::wstring FakeDisk::Child(const std::wstring& folder_key, const std::wstring& name) {
  return folder_key.empty() ? Key(name) : Key(folder_key + L"\\" + name);
}

std::wstring FakeDisk::Follow(std::wstring key, bool every_alias) const {
  // Aliases may lead through one another; a few steps reach any real name.
  for (int step = 0; step < 8; ++step) {
    bool followed = false;
    for (const Alias& alias : aliases_) {
      if (!every_alias && alias.kind == AliasKind::kWithoutIdentity) continue;
      if (!IsSameOrBelow(key, alias.name)) continue;
      key = alias.target + key.substr(alias.name.size());
      followed = true;
    }
    if (!followed) break;
  }
  return key;
}

std::wstring FakeDisk::Real(const std::wstring& path) const { return Follow(Key(path), true); }

bool FakeDisk::HasIdentity(const std::wstring& path) const {
  const std::wstring key = Key(path);
  return std::none_of(aliases_.begin(), aliases_.end(), [&](const Alias& alias) {
    return alias.kind == AliasKind::kWithoutIdentity && IsSameOrBelow(key, alias.name);
  });
}

// A drive's root is always there.
bool FakeDisk::IsFolderKey(const std::wstring& key) const {
  return key.empty() || (key.size() == 2 && key[1] == L':') || folders_.count(key) != 0;
}

void FakeDisk::AddAlias(const std::wstring& alias, const std::wstring& target, AliasKind kind) {
  aliases_.push_back(Alias{Key(alias), Real(target), kind});
}

void FakeDisk::AddNetworkDrive(const std::wstring& drive, platform::NetworkPlace place) {
  drive_letters_[Key(drive)] = place;
}

void FakeDisk::AddFolder(const std::wstring& path) {
  for (std::wstring key = Real(path); !key.empty(); key = Parent(key)) folders_.insert(key);
}

void FakeDisk::AddFile(const std::wstring& path, const std::string& bytes, bool read_only) {
  AddFolder(Parent(Real(path)));
  // A minute apart, so that no two files added look like copies of each other.
  clock_ += 60 * 10000000ULL;
  files_[Real(path)] = FakeFile{bytes, read_only, clock_};
}

void FakeDisk::AddCopyOf(const std::wstring& path, const std::wstring& original) {
  AddFolder(Parent(Real(path)));
  files_[Real(path)] = FakeFile{Read(original), false, files_.at(Real(original)).write_time};
}

void FakeDisk::Remove(const std::wstring& path) {
  const std::wstring key = Real(path);
  for (auto file = files_.begin(); file != files_.end();) {
    file = IsSameOrBelow(file->first, key) ? files_.erase(file) : std::next(file);
  }
  for (auto folder = folders_.begin(); folder != folders_.end();) {
    folder = IsSameOrBelow(*folder, key) ? folders_.erase(folder) : std::next(folder);
  }
}

void FakeDisk::Hold(const std::wstring& path) { files_.at(Real(path)).in_use = true; }

bool FakeDisk::HasFile(const std::wstring& path) const { return files_.count(Real(path)) != 0; }
bool FakeDisk::HasFolder(const std::wstring& path) const { return folders_.count(Real(path)) != 0; }

std::string FakeDisk::Read(const std::wstring& path) const {
  const auto found = files_.find(Real(path));
  return found == files_.end() ? std::string() : found->second.bytes;
}

platform::NetworkPlace FakeDisk::NetworkPlaceOf(const std::wstring& path) const {
  const std::wstring key = Real(path);
  if (key.compare(0, 2, L"\\\\") == 0) return platform::NetworkPlace::kShare;
  const auto letter = drive_letters_.find(key.substr(0, 2));
  return letter != drive_letters_.end() ? letter->second : platform::NetworkPlace::kLocal;
}

platform::Status FakeHeldFolders::Asked(Op op, const std::wstring& what) {
  const std::string name = OpName(op);
  disk_.log_.push_back(std::wstring(name.begin(), name.end()) + L" " + what);
  return faults_.Next(op);
}

void FakeHeldFolders::Children(const std::wstring& key,
                               std::vector<platform::FolderEntry>* entries) const {
  for (const std::wstring& child : disk_.folders_) {
    if (!child.empty() && FakeDisk::Parent(child) == key) {
      entries->push_back({LastName(child), platform::kAttributeDirectory, 0, {}});
    }
  }
  for (const auto& file : disk_.files_) {
    if (FakeDisk::Parent(file.first) != key) continue;
    const FakeFile& f = file.second;
    entries->push_back({LastName(file.first),
                        f.read_only ? platform::kAttributeReadOnly : 0,
                        0,
                        {f.bytes.size(), f.write_time}});
  }
}

platform::Status FakeHeldFolders::OpenFolder(const std::wstring& full_path, platform::FolderUse,
                                             platform::Held* folder) {
  if (const platform::Status fault = Asked(Op::kOpenFolder, full_path)) return fault;
  const std::wstring key = disk_.Real(full_path);
  if (!disk_.IsFolderKey(key)) return platform::kErrorPathNotFound;
  auto held = std::make_unique<FakeFolder>();
  held->key = key;
  held->identity = disk_.HasIdentity(full_path);
  *folder = std::move(held);
  return platform::kErrorSuccess;
}

platform::Status FakeHeldFolders::OpenChildFolder(const platform::HeldFolder& parent,
                                                  const std::wstring& name, platform::FolderUse,
                                                  bool make, const platform::FolderEntry*,
                                                  platform::Held* child, bool* made) {
  const std::wstring key = disk_.Follow(FakeDisk::Child(Held(parent).key, name), true);
  if (const platform::Status fault = Asked(Op::kOpenChildFolder, key)) return fault;
  if (disk_.files_.count(key) != 0) return platform::kErrorPathNotFound;
  if (!disk_.IsFolderKey(key)) {
    if (!make) return platform::kErrorPathNotFound;
    disk_.folders_.insert(key);
    if (made != nullptr) *made = true;
  }
  auto held = std::make_unique<FakeFolder>();
  held->key = key;
  held->identity = Held(parent).identity;
  *child = std::move(held);
  return platform::kErrorSuccess;
}

platform::Status FakeHeldFolders::List(const platform::HeldFolder& folder,
                                       std::vector<platform::FolderEntry>* entries) {
  const std::wstring& key = Held(folder).key;
  if (const platform::Status fault = Asked(Op::kList, key)) return fault;
  Children(key, entries);
  return platform::kErrorSuccess;
}

platform::Status FakeHeldFolders::EntryOf(const platform::HeldFolder& folder,
                                          const std::wstring& name, platform::FolderEntry* entry) {
  const std::wstring key = FakeDisk::Child(Held(folder).key, name);
  if (const platform::Status fault = Asked(Op::kEntryOf, key)) return fault;
  std::vector<platform::FolderEntry> entries;
  Children(Held(folder).key, &entries);
  for (const platform::FolderEntry& found : entries) {
    if (CompareNames(found.name, name) != 0) continue;
    *entry = found;
    return platform::kErrorSuccess;
  }
  return platform::kErrorFileNotFound;
}

int FakeHeldFolders::CompareNames(const std::wstring& left, const std::wstring& right) {
  return FakeDisk::Key(left).compare(FakeDisk::Key(right));
}

bool FakeHeldFolders::GivesIdentities(const platform::HeldFolder& folder) {
  return Held(folder).identity;
}

// The copy arrives writable, whatever the source was, with the source's
// time.
platform::Status FakeHeldFolders::WriteBeside(const platform::HeldFolder& media_folder,
                                              const platform::FolderEntry& media,
                                              const platform::HeldFolder& folder,
                                              const platform::FolderEntry*, platform::Copied,
                                              platform::Written* written) {
  const std::wstring temporary = platform::TemporaryName(Platform().process_id, ++temporaries_);
  const std::wstring key = FakeDisk::Child(Held(folder).key, temporary);
  if (const platform::Status fault = Asked(Op::kWriteBeside, key)) return fault;
  const auto source = disk_.files_.find(FakeDisk::Child(Held(media_folder).key, media.name));
  if (source == disk_.files_.end()) return platform::kErrorFileNotFound;
  disk_.files_[key] = FakeFile{source->second.bytes, false, source->second.write_time};
  *written = std::make_unique<platform::WrittenFile>(temporary);
  return platform::kErrorSuccess;
}

// Windows refuses to rename a file another program holds open without
// sharing its deletion (a help page in a viewer) for its sharing, and a
// rename over a read-only file or a folder with access denied
// (FILE_RENAME_INFORMATION, ReplaceIfExists).
platform::Status FakeHeldFolders::Rename(const platform::HeldFolder& folder,
                                         const std::wstring& from, const std::wstring& to,
                                         bool replace) {
  const std::wstring source = FakeDisk::Child(Held(folder).key, from);
  const std::wstring target = FakeDisk::Child(Held(folder).key, to);
  if (const platform::Status fault = Asked(Op::kRename, source + L" to " + to)) return fault;
  const auto found = disk_.files_.find(source);
  if (found == disk_.files_.end()) return platform::kErrorFileNotFound;
  if (found->second.in_use) return platform::kErrorSharingViolation;
  if (disk_.folders_.count(target) != 0) return platform::kErrorAccessDenied;
  const auto there = disk_.files_.find(target);
  if (there != disk_.files_.end() && source != target) {
    if (!replace) return 183;  // ERROR_ALREADY_EXISTS
    if (there->second.read_only || there->second.in_use) return platform::kErrorAccessDenied;
  }
  FakeFile file = found->second;
  disk_.files_.erase(found);
  disk_.files_[target] = file;
  return platform::kErrorSuccess;
}

platform::Status FakeHeldFolders::DeleteOwn(const platform::HeldFolder& folder,
                                            const std::wstring& name) {
  const std::wstring key = FakeDisk::Child(Held(folder).key, name);
  if (const platform::Status fault = Asked(Op::kDeleteOwn, key)) return fault;
  const auto found = disk_.files_.find(key);
  if (found == disk_.files_.end()) return platform::kErrorFileNotFound;
  if (found->second.in_use) return platform::kErrorSharingViolation;
  disk_.files_.erase(found);
  return platform::kErrorSuccess;
}

// One process at a time: no other run holds the lock.
platform::Status FakeHeldFolders::LockUpdate(const platform::HeldFolder& folder,
                                             platform::FileLock* lock) {
  if (const platform::Status fault = Asked(Op::kLockUpdate, Held(folder).key)) return fault;
  *lock = std::make_unique<platform::HeldFile>();
  return platform::kErrorSuccess;
}

platform::Status FakeHeldFolders::WriteRecord(const platform::HeldFolder& folder,
                                              const std::string& bytes, std::wstring* name) {
  *name = platform::RecordName(Platform().process_id, false);
  const std::wstring key = FakeDisk::Child(Held(folder).key, *name);
  if (const platform::Status fault = Asked(Op::kWriteRecord, key)) return fault;
  if (disk_.files_.count(key) != 0) return 80;  // ERROR_FILE_EXISTS
  disk_.files_[key] = FakeFile{bytes, false, ++disk_.clock_};
  return platform::kErrorSuccess;
}

// Every earlier process has ended.
platform::Status FakeHeldFolders::ReadRecord(const platform::HeldFolder& folder,
                                             const std::wstring& name, unsigned long maker,
                                             std::string* bytes) {
  const std::wstring key = FakeDisk::Child(Held(folder).key, name);
  if (const platform::Status fault = Asked(Op::kReadRecord, key)) return fault;
  if (maker == Platform().process_id) return platform::kErrorBusy;
  const auto found = disk_.files_.find(key);
  if (found == disk_.files_.end()) return platform::kErrorFileNotFound;
  *bytes = found->second.bytes;
  return platform::kErrorSuccess;
}

platform::Status FakeHeldFolders::MakeDurable(const platform::HeldFolder& folder,
                                              const std::wstring& name) {
  const std::wstring key = FakeDisk::Child(Held(folder).key, name);
  if (const platform::Status fault = Asked(Op::kMakeDurable, key)) return fault;
  return disk_.files_.count(key) != 0 ? platform::kErrorSuccess : platform::kErrorFileNotFound;
}

// A temporary of an ended process goes; one of this process stays.
void FakeHeldFolders::RemoveAbandoned(const platform::HeldFolder& folder, const std::wstring& name,
                                      unsigned long maker) {
  if (maker == Platform().process_id) return;
  const auto found = disk_.files_.find(FakeDisk::Child(Held(folder).key, name));
  if (found != disk_.files_.end() && !found->second.in_use) disk_.files_.erase(found);
}

platform::Status FakeHeldFolders::DeleteChild(const platform::HeldFolder& folder,
                                              const std::wstring& name, bool) {
  const std::wstring key = disk_.Follow(FakeDisk::Child(Held(folder).key, name), true);
  NoteRemoval(key);
  if (const platform::Status fault = Asked(Op::kDeleteChild, key)) return fault;
  const auto found = disk_.files_.find(key);
  if (found == disk_.files_.end()) return platform::kErrorFileNotFound;
  if (found->second.read_only) return platform::kErrorAccessDenied;
  if (found->second.in_use) return platform::kErrorSharingViolation;
  disk_.files_.erase(found);
  return platform::kErrorSuccess;
}

platform::Status FakeHeldFolders::DeleteFolder(const platform::HeldFolder& folder) {
  const std::wstring& key = Held(folder).key;
  NoteRemoval(key);
  if (const platform::Status fault = Asked(Op::kDeleteFolder, key)) return fault;
  std::vector<platform::FolderEntry> left;
  Children(key, &left);
  if (!left.empty()) return 145;  // ERROR_DIR_NOT_EMPTY
  disk_.folders_.erase(key);
  return platform::kErrorSuccess;
}

// A failure to find it says it is absent, as GetFileAttributesW's does.
platform::Status FakeHeldFolders::FolderExists(const std::wstring& path, bool* exists) {
  const platform::Status status = Asked(Op::kFolderExists, path);
  *exists = status == platform::kErrorSuccess && disk_.folders_.count(disk_.Real(path)) != 0;
  const bool absent =
      status == platform::kErrorFileNotFound || status == platform::kErrorPathNotFound;
  return absent ? platform::kErrorSuccess : status;
}

// The spelling decides too, and alone where identity cannot be had.
bool FakeHeldFolders::IsSameOrInside(const std::wstring& path, const std::wstring& other) {
  disk_.log_.push_back(L"IsSameOrInside " + path + L" in " + other);
  if (disk_.same_or_inside_answer && ++disk_.same_or_inside_asked_ >= disk_.same_or_inside_from) {
    return *disk_.same_or_inside_answer;
  }
  const std::wstring key = FakeDisk::Key(path);
  const std::wstring other_key = FakeDisk::Key(other);
  return IsSameOrBelow(key, other_key) || (disk_.HasIdentity(path) && disk_.HasIdentity(other) &&
                                           IsSameOrBelow(disk_.Real(path), disk_.Real(other)));
}

std::vector<platform::FileHolder> FakeHeldFolders::HoldersOf(const platform::HeldFolder&,
                                                             const std::wstring&) {
  return Platform().holders;
}

}  // namespace fake
