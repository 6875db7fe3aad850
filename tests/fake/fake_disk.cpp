#include "fake/fake_disk.h"

#include <algorithm>
#include <cwctype>

#include "platform/copy_rules.h"

namespace fake {

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

namespace {

bool IsSameOrBelow(const std::wstring& key, const std::wstring& folder) {
  return key == folder || key.compare(0, folder.size() + 1, folder + L"\\") == 0;
}

void KeepFirst(platform::Status& first, platform::Status status) {
  if (first == platform::kErrorSuccess) first = status;
}

}  // namespace

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

std::wstring FakeDisk::SeenByCopies(const std::wstring& path) const {
  return Follow(Key(path), false);
}

bool FakeDisk::HasIdentity(const std::wstring& path) const {
  const std::wstring key = Key(path);
  return std::none_of(aliases_.begin(), aliases_.end(), [&](const Alias& alias) {
    return alias.kind == AliasKind::kWithoutIdentity && IsSameOrBelow(key, alias.name);
  });
}

void FakeDisk::AddAlias(const std::wstring& alias, const std::wstring& target, AliasKind kind) {
  aliases_.push_back(Alias{Key(alias), Real(target), kind});
}

void FakeDisk::AddNetworkDrive(const std::wstring& drive, platform::NetworkPlace place) {
  drive_letters_[Key(drive)] = place;
}

std::wstring FakeDisk::Parent(const std::wstring& key) {
  const std::size_t cut = key.rfind(L'\\');
  return cut == std::wstring::npos ? std::wstring() : key.substr(0, cut);
}

bool FakeDisk::ParentExists(const std::wstring& key) const {
  const std::wstring parent = Parent(key);
  // A path without a folder lies in the current folder, which always exists.
  return parent.empty() || folders_.count(parent) != 0;
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

void FakeDisk::Hold(const std::wstring& path) { files_.at(Real(path)).in_use = true; }

bool FakeDisk::HasFile(const std::wstring& path) const { return files_.count(Real(path)) != 0; }
bool FakeDisk::HasFolder(const std::wstring& path) const { return folders_.count(Real(path)) != 0; }

std::string FakeDisk::Read(const std::wstring& path) const {
  const auto found = files_.find(Real(path));
  return found == files_.end() ? std::string() : found->second.bytes;
}

std::map<std::wstring, FakeFile> FakeDisk::Files() const { return files_; }
std::set<std::wstring> FakeDisk::Folders() const { return folders_; }

std::vector<std::wstring> FakeDisk::FilesBelow(const std::wstring& key) const {
  std::vector<std::wstring> below;
  for (const auto& entry : files_) {
    if (entry.first.compare(0, key.size() + 1, key + L"\\") == 0) below.push_back(entry.first);
  }
  return below;
}

std::vector<std::wstring> FakeDisk::FoldersBelow(const std::wstring& key) const {
  std::vector<std::wstring> below;
  for (const auto& folder : folders_) {
    if (folder.compare(0, key.size() + 1, key + L"\\") == 0) below.push_back(folder);
  }
  return below;
}

namespace {

// Its volumes keep exact times, as NTFS does.
class FakeVolumes final : public platform::VolumeAnswers {
 public:
  explicit FakeVolumes(bool identities) : identities_(identities) {}
  bool KeepTwoSecondTimes() override { return false; }
  bool GiveIdentities() override { return identities_; }

 private:
  bool identities_;
};

}  // namespace

platform::Status FakeDisk::PutCopy(const FakeFile& file, const std::wstring& target,
                                   bool identity_known) {
  const auto installed = files_.find(target);
  if (installed != files_.end()) {
    const platform::FileStamp media_stamp{file.bytes.size(), file.write_time};
    const platform::FileStamp installed_stamp{installed->second.bytes.size(),
                                              installed->second.write_time};
    FakeVolumes volumes(identity_known);
    platform::Status not_copied = platform::kErrorSuccess;
    if (!platform::CopyNeeded(media_stamp, installed_stamp, volumes, &not_copied)) {
      return not_copied;
    }
    // Windows refuses the rename over a held file (FILE_RENAME_INFO) with
    // access denied; opening it for deletion is refused for its sharing.
    if (installed->second.in_use)
      return platform::RefusalOfRename(platform::kErrorSharingViolation);
  }
  // The copy arrives writable, whatever the source was, with the source's time.
  files_[target] = FakeFile{file.bytes, false, file.write_time};
  return platform::kErrorSuccess;
}

platform::Status FakeDisk::CopyFile(const std::wstring& source, const std::wstring& destination) {
  log_.push_back(L"CopyFile " + source + L" -> " + destination);
  if (const platform::Status fault = faults_.Next(Op::kCopyFile)) return fault;
  const auto found = files_.find(Real(source));
  if (found == files_.end()) return platform::kErrorFileNotFound;
  const std::wstring target = Real(destination);
  // A file copied onto itself, under whatever name, would leave nothing to
  // tell old from new.
  if (SeenByCopies(source) == SeenByCopies(destination)) return platform::kErrorSameFile;
  if (!ParentExists(target)) return platform::kErrorPathNotFound;
  if (folders_.count(target) != 0) return platform::kErrorAccessDenied;
  return PutCopy(found->second, target, HasIdentity(source) && HasIdentity(destination));
}

platform::Status FakeDisk::DeleteFile(const std::wstring& path) {
  log_.push_back(L"DeleteFile " + path);
  if (const platform::Status fault = faults_.Next(Op::kDeleteFile)) return fault;
  const auto found = files_.find(Real(path));
  if (found == files_.end()) return platform::kErrorFileNotFound;
  if (found->second.read_only) return platform::kErrorAccessDenied;
  if (found->second.in_use) return platform::kErrorSharingViolation;
  files_.erase(found);
  return platform::kErrorSuccess;
}

platform::Status FakeDisk::CopyFolder(const std::wstring& source, const std::wstring& destination) {
  log_.push_back(L"CopyFolder " + source + L" -> " + destination);
  if (const platform::Status fault = faults_.Next(Op::kCopyFolder)) return fault;
  const std::wstring from = Real(source);
  const std::wstring to = Real(destination);
  if (folders_.count(from) == 0) return platform::kErrorPathNotFound;
  // A folder is never copied into itself, where the copy would feed on itself.
  if (IsSameOrBelow(SeenByCopies(destination), SeenByCopies(source))) {
    return platform::kErrorSameFile;
  }
  if (!ParentExists(to)) return platform::kErrorPathNotFound;
  if (files_.count(to) != 0) return platform::kErrorAccessDenied;
  folders_.insert(to);
  // Entry by entry, parents before what they hold, as a walk of the tree goes:
  // a failure leaves the copy made so far.
  const std::vector<std::wstring> files = FilesBelow(from);
  const std::vector<std::wstring> folders = FoldersBelow(from);
  std::set<std::wstring> entries(files.begin(), files.end());
  entries.insert(folders.begin(), folders.end());
  for (const std::wstring& entry : entries) {
    if (const platform::Status fault = faults_.Next(Op::kCopyFolderEntry)) return fault;
    const std::wstring copy = to + entry.substr(from.size());
    const auto file = files_.find(entry);
    if (file == files_.end()) {
      if (files_.count(copy) != 0) return platform::kErrorAccessDenied;
      folders_.insert(copy);
    } else {
      if (folders_.count(copy) != 0) return platform::kErrorAccessDenied;
      const platform::Status status =
          PutCopy(file->second, copy, HasIdentity(source) && HasIdentity(destination));
      if (status != platform::kErrorSuccess) return status;
    }
  }
  return platform::kErrorSuccess;
}

platform::Status FakeDisk::DeleteFolder(const std::wstring& path) {
  log_.push_back(L"DeleteFolder " + path);
  if (const platform::Status fault = faults_.Next(Op::kDeleteFolder)) return fault;
  const std::wstring key = Real(path);
  if (folders_.count(key) == 0) return platform::kErrorPathNotFound;
  // Goes on past a file it may not remove, and reports the first failure.
  platform::Status first = platform::kErrorSuccess;
  for (const std::wstring& file : FilesBelow(key)) {
    platform::Status status = faults_.Next(Op::kDeleteFolderEntry);
    if (status == platform::kErrorSuccess && files_[file].read_only) {
      status = platform::kErrorAccessDenied;
    }
    if (status == platform::kErrorSuccess) files_.erase(file);
    KeepFirst(first, status);
  }
  std::vector<std::wstring> folders = FoldersBelow(key);
  folders.push_back(key);
  // Deepest first, so that a folder emptied of its folders goes too.
  std::sort(folders.rbegin(), folders.rend());
  for (const std::wstring& folder : folders) {
    if (FilesBelow(folder).empty() && FoldersBelow(folder).empty()) folders_.erase(folder);
  }
  return first;
}

// A failure to find it says it is absent, as GetFileAttributesW's does.
platform::Status FakeDisk::FolderExists(const std::wstring& path, bool* exists) {
  log_.push_back(L"FolderExists " + path);
  const platform::Status status = faults_.Next(Op::kFolderExists);
  *exists = status == platform::kErrorSuccess && folders_.count(Real(path)) != 0;
  const bool absent =
      status == platform::kErrorFileNotFound || status == platform::kErrorPathNotFound;
  return absent ? platform::kErrorSuccess : status;
}

// The spelling decides too, and alone where identity cannot be had.
bool FakeDisk::IsSameOrInside(const std::wstring& path, const std::wstring& other) {
  log_.push_back(L"IsSameOrInside " + path + L" in " + other);
  if (same_or_inside_answer) return *same_or_inside_answer;
  return IsSameOrBelow(Key(path), Key(other)) ||
         (HasIdentity(path) && HasIdentity(other) && IsSameOrBelow(Real(path), Real(other)));
}

platform::NetworkPlace FakeDisk::NetworkPlaceOf(const std::wstring& path) const {
  const std::wstring key = Real(path);
  if (key.compare(0, 2, L"\\\\") == 0) return platform::NetworkPlace::kShare;
  const auto letter = drive_letters_.find(key.substr(0, 2));
  return letter != drive_letters_.end() ? letter->second : platform::NetworkPlace::kLocal;
}

}  // namespace fake
