#include "fake/fake_disk.h"

#include <algorithm>
#include <cwctype>

#include "platform/file_stamp.h"

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
  for (std::wstring key = Key(path); !key.empty(); key = Parent(key)) folders_.insert(key);
}

void FakeDisk::AddFile(const std::wstring& path, const std::string& bytes, bool read_only) {
  AddFolder(Parent(Key(path)));
  // A minute apart, so that no two files added look like copies of each other.
  clock_ += 60 * 10000000ULL;
  files_[Key(path)] = FakeFile{bytes, read_only, clock_};
}

void FakeDisk::AddCopyOf(const std::wstring& path, const std::wstring& original) {
  AddFolder(Parent(Key(path)));
  files_[Key(path)] = FakeFile{Read(original), false, files_.at(Key(original)).write_time};
}

void FakeDisk::Hold(const std::wstring& path) { files_.at(Key(path)).in_use = true; }

bool FakeDisk::HasFile(const std::wstring& path) const { return files_.count(Key(path)) != 0; }
bool FakeDisk::HasFolder(const std::wstring& path) const { return folders_.count(Key(path)) != 0; }

std::string FakeDisk::Read(const std::wstring& path) const {
  const auto found = files_.find(Key(path));
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

platform::Status FakeDisk::PutCopy(const FakeFile& file, const std::wstring& target) {
  const auto installed = files_.find(target);
  if (installed != files_.end()) {
    const platform::FileStamp media_stamp{file.bytes.size(), file.write_time};
    const platform::FileStamp installed_stamp{installed->second.bytes.size(),
                                              installed->second.write_time};
    if (platform::IsAlreadyInPlace(media_stamp, installed_stamp, false)) {
      return platform::kErrorSuccess;
    }
    if (installed->second.in_use) return platform::kErrorSharingViolation;
  }
  // The copy arrives writable, whatever the source was, with the source's time.
  files_[target] = FakeFile{file.bytes, false, file.write_time};
  return platform::kErrorSuccess;
}

platform::Status FakeDisk::CopyFile(const std::wstring& source, const std::wstring& destination) {
  log_.push_back(L"CopyFile " + source + L" -> " + destination);
  if (const platform::Status fault = faults_.Next(Op::kCopyFile)) return fault;
  const auto found = files_.find(Key(source));
  if (found == files_.end()) return platform::kErrorFileNotFound;
  const std::wstring target = Key(destination);
  // A file copied onto itself would leave nothing to tell old from new.
  if (target == found->first) return platform::kErrorAccessDenied;
  if (!ParentExists(target)) return platform::kErrorPathNotFound;
  if (folders_.count(target) != 0) return platform::kErrorAccessDenied;
  return PutCopy(found->second, target);
}

platform::Status FakeDisk::DeleteFile(const std::wstring& path) {
  log_.push_back(L"DeleteFile " + path);
  if (const platform::Status fault = faults_.Next(Op::kDeleteFile)) return fault;
  const auto found = files_.find(Key(path));
  if (found == files_.end()) return platform::kErrorFileNotFound;
  if (found->second.read_only) return platform::kErrorAccessDenied;
  if (found->second.in_use) return platform::kErrorSharingViolation;
  files_.erase(found);
  return platform::kErrorSuccess;
}

platform::Status FakeDisk::CopyFolder(const std::wstring& source, const std::wstring& destination) {
  log_.push_back(L"CopyFolder " + source + L" -> " + destination);
  if (const platform::Status fault = faults_.Next(Op::kCopyFolder)) return fault;
  const std::wstring from = Key(source);
  const std::wstring to = Key(destination);
  if (folders_.count(from) == 0) return platform::kErrorPathNotFound;
  // A folder is never copied into itself, where the copy would feed on itself.
  if (to == from || to.compare(0, from.size() + 1, from + L"\\") == 0) {
    return platform::kErrorAccessDenied;
  }
  if (!ParentExists(to)) return platform::kErrorPathNotFound;
  if (files_.count(to) != 0) return platform::kErrorAccessDenied;
  folders_.insert(to);
  for (const std::wstring& folder : FoldersBelow(from))
    folders_.insert(to + folder.substr(from.size()));
  for (const std::wstring& file : FilesBelow(from)) {
    const platform::Status status = PutCopy(files_[file], to + file.substr(from.size()));
    if (status != platform::kErrorSuccess) return status;
  }
  return platform::kErrorSuccess;
}

platform::Status FakeDisk::DeleteFolder(const std::wstring& path) {
  log_.push_back(L"DeleteFolder " + path);
  if (const platform::Status fault = faults_.Next(Op::kDeleteFolder)) return fault;
  const std::wstring key = Key(path);
  if (folders_.count(key) == 0) return platform::kErrorPathNotFound;
  const std::vector<std::wstring> files = FilesBelow(key);
  const bool any_read_only = std::any_of(
      files.begin(), files.end(), [this](const std::wstring& f) { return files_[f].read_only; });
  if (any_read_only) return platform::kErrorAccessDenied;
  for (const std::wstring& file : files) files_.erase(file);
  for (const std::wstring& folder : FoldersBelow(key)) folders_.erase(folder);
  folders_.erase(key);
  return platform::kErrorSuccess;
}

bool FakeDisk::FolderExists(const std::wstring& path) {
  log_.push_back(L"FolderExists " + path);
  if (faults_.Next(Op::kFolderExists) != platform::kErrorSuccess) return false;
  return folders_.count(Key(path)) != 0;
}

}  // namespace fake
