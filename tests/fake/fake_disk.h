// An in-memory disk behind the file-system service: files with their bytes,
// last-write time and read-only flag, folders, and a record of every
// operation asked of it. Paths are taken literally and compare without regard
// to case; aliases give other names for one folder or file, as a second drive
// letter, a short name, a junction or a hard link do. Its volumes keep exact
// times, as NTFS does; a copy whose installed counterpart has the same size
// and time is skipped, by the rule the real service follows.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fake/fault_plan.h"
#include "platform/file_system.h"
#include "platform/process.h"

namespace fake {

struct FakeFile {
  std::string bytes;
  bool read_only = false;
  std::uint64_t write_time = 0;
  // Held by a running program: it can be neither replaced nor deleted.
  bool in_use = false;
};

// How the file system shows that an alias names the same file.
enum class AliasKind {
  kIdentity,  // a file index tells it: drive letter, short name, junction, hard link
  // No file index (some network and FAT drivers): only the spelling tells.
  kWithoutIdentity,
};

class FakeDisk {
 public:
  explicit FakeDisk(FaultPlan& faults) : faults_(faults) {}

  // Creates the folder and those above it.
  void AddFolder(const std::wstring& path);
  // Creates the file (and its folders) with these bytes, written later than
  // every file before it.
  void AddFile(const std::wstring& path, const std::string& bytes, bool read_only = false);
  // From now on alias (and every path below it) names target (and the same
  // path below it).
  void AddAlias(const std::wstring& alias, const std::wstring& target,
                AliasKind kind = AliasKind::kIdentity);
  // The drive (as "N:") is a share of another machine, or with kSubstLetter
  // a local folder's letter.
  void AddNetworkDrive(const std::wstring& drive,
                       platform::NetworkPlace place = platform::NetworkPlace::kMappedLetter);
  // Creates path as an earlier copy of original left it: the same bytes and
  // last-write time.
  void AddCopyOf(const std::wstring& path, const std::wstring& original);
  // Marks the file as held by a running program.
  void Hold(const std::wstring& path);

  bool HasFile(const std::wstring& path) const;
  bool HasFolder(const std::wstring& path) const;
  // The file's bytes; empty when there is no such file.
  std::string Read(const std::wstring& path) const;
  // Every file and folder, for comparing a whole disk before and after.
  std::map<std::wstring, FakeFile> Files() const;
  std::set<std::wstring> Folders() const;

  // Each operation asked, as "CopyFile <source> -> <destination>" and the like.
  const std::vector<std::wstring>& log() const { return log_; }

  platform::Status CopyFile(const std::wstring& source, const std::wstring& destination);
  platform::Status DeleteFile(const std::wstring& path);
  platform::Status CopyFolder(const std::wstring& source, const std::wstring& destination);
  platform::Status DeleteFolder(const std::wstring& path);
  platform::Status FolderExists(const std::wstring& path, bool* exists);
  bool IsSameOrInside(const std::wstring& path, const std::wstring& other);
  // Set: what IsSameOrInside answers, whatever the disk holds, so that the
  // update's own check before removing the media is tried on its own.
  std::optional<bool> same_or_inside_answer;
  // A UNC path is a share, a path on a drive added as a network drive a
  // letter mapped to one.
  platform::NetworkPlace NetworkPlaceOf(const std::wstring& path) const;

 private:
  // The path as text: lower case, backslashes settled.
  static std::wstring Key(const std::wstring& path);
  // What the path names once aliases are followed: the file itself.
  std::wstring Real(const std::wstring& path) const;
  // What the path names where only a file's identity tells it (the spelling
  // alone where there is none); and whether the file system can give its
  // identity at all.
  std::wstring SeenByCopies(const std::wstring& path) const;
  bool HasIdentity(const std::wstring& path) const;
  std::wstring Follow(std::wstring key, bool every_alias) const;
  static std::wstring Parent(const std::wstring& key);
  bool ParentExists(const std::wstring& key) const;
  std::vector<std::wstring> FilesBelow(const std::wstring& key) const;
  std::vector<std::wstring> FoldersBelow(const std::wstring& key) const;
  // Writes a copy of file at target unless a file with its stamp is there.
  platform::Status PutCopy(const FakeFile& file, const std::wstring& target, bool identity_known);

  FaultPlan& faults_;
  std::map<std::wstring, FakeFile> files_;  // by lower-case path
  std::set<std::wstring> folders_;          // by lower-case path
  struct Alias {
    std::wstring name, target;  // keys
    AliasKind kind;
  };
  std::vector<Alias> aliases_;
  std::map<std::wstring, platform::NetworkPlace> drive_letters_;  // by "n:"
  std::vector<std::wstring> log_;
  std::uint64_t clock_ = 0;  // the last write time handed out
};

// The file-system service object handed to the code under test; every call
// goes to the one fake disk.
class FakeFileSystemObject : public platform::FileSystemObject {
 public:
  explicit FakeFileSystemObject(FakeDisk& disk) : disk_(disk) {}
  platform::Status CopyFile(const std::wstring& source, const std::wstring& destination) override {
    return disk_.CopyFile(source, destination);
  }
  platform::Status DeleteFile(const std::wstring& path) override { return disk_.DeleteFile(path); }
  platform::Status CopyFolder(const std::wstring& source,
                              const std::wstring& destination) override {
    return disk_.CopyFolder(source, destination);
  }
  platform::Status DeleteFolder(const std::wstring& path) override {
    return disk_.DeleteFolder(path);
  }
  platform::Status FolderExists(const std::wstring& path, bool* exists) override {
    return disk_.FolderExists(path, exists);
  }
  bool IsSameOrInside(const std::wstring& path, const std::wstring& other) override {
    return disk_.IsSameOrInside(path, other);
  }
  std::vector<platform::FileHolder> HoldersOfHeldFile() override { return {}; }

 private:
  FakeDisk& disk_;
};

}  // namespace fake
