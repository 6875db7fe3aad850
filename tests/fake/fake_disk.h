// An in-memory disk: files with their bytes, last-write time and read-only
// flag, folders, and a record of every primitive asked of it. Paths are
// taken literally and compare without regard to case; aliases give other
// names for one folder or file, as a second drive letter, a short name, a
// junction or a hard link do. Its volumes keep exact times, as NTFS does.
// The file service's rules run over it as they run over Windows
// (held_folders.h): it answers the primitives only.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fake/fault_plan.h"
#include "platform/held_folders.h"
#include "platform/process.h"

namespace fake {

struct FakeFile {
  std::string bytes;
  bool read_only = false;
  std::uint64_t write_time = 0;
  // Held by a running program: it can be neither replaced nor deleted.
  bool in_use = false;

  bool operator==(const FakeFile& other) const {
    return bytes == other.bytes && read_only == other.read_only && write_time == other.write_time &&
           in_use == other.in_use;
  }
};

// How the file system shows that an alias names the same file.
enum class AliasKind {
  kIdentity,  // a file index tells it: drive letter, short name, junction, hard link
  // No file index (some network and FAT drivers): only the spelling tells.
  kWithoutIdentity,
};

class FakeDisk {
 public:
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
  // Removes the file, or the folder with everything in it (a stick taken
  // away).
  void Remove(const std::wstring& path);
  // Marks the file as held by a running program.
  void Hold(const std::wstring& path);

  bool HasFile(const std::wstring& path) const;
  bool HasFolder(const std::wstring& path) const;
  // The file's bytes; empty when there is no such file.
  std::string Read(const std::wstring& path) const;
  // Every file and folder, for comparing a whole disk before and after.
  const std::map<std::wstring, FakeFile>& Files() const { return files_; }
  const std::set<std::wstring>& Folders() const { return folders_; }

  // Each primitive asked, as "PutInPlace <path>" and the like.
  const std::vector<std::wstring>& log() const { return log_; }

  // Set: what IsSameOrInside answers from its question number
  // same_or_inside_from on, whatever the disk holds (a share whose answers
  // change between the copies and the check before the media's removal).
  std::optional<bool> same_or_inside_answer;
  int same_or_inside_from = 1;
  // A UNC path is a share, a path on a drive added as a network drive what
  // that drive was added as.
  platform::NetworkPlace NetworkPlaceOf(const std::wstring& path) const;

 private:
  friend class FakeHeldFolders;

  // The path as text: lower case, backslashes settled.
  static std::wstring Key(const std::wstring& path);
  static std::wstring Parent(const std::wstring& key);
  static std::wstring Child(const std::wstring& folder_key, const std::wstring& name);
  // What the path names once aliases are followed: the file itself.
  std::wstring Real(const std::wstring& path) const;
  // Whether the file system can give the path's identity at all, and what
  // the path names where only identity tells it.
  bool HasIdentity(const std::wstring& path) const;
  std::wstring Follow(std::wstring key, bool every_alias) const;
  bool IsFolderKey(const std::wstring& key) const;

  std::map<std::wstring, FakeFile> files_;  // by lower-case path
  std::set<std::wstring> folders_;          // by lower-case path; "" is the current folder
  struct Alias {
    std::wstring name, target;  // keys
    AliasKind kind;
  };
  std::vector<Alias> aliases_;
  std::map<std::wstring, platform::NetworkPlace> drive_letters_;  // by "n:"
  std::vector<std::wstring> log_;
  std::uint64_t clock_ = 0;  // the last write time handed out
  int same_or_inside_asked_ = 0;
};

// The primitives on one fake disk, each counted by the fault plan, which may
// make it fail; deletions are noted with the standing of the run that asked.
class FakeHeldFolders final : public platform::HeldFolders {
 public:
  FakeHeldFolders(FakeDisk& disk, FaultPlan& faults) : disk_(disk), faults_(faults) {}

  std::wstring FullPath(const std::wstring& path) override { return path; }
  platform::Status OpenFolder(const std::wstring& full_path, platform::FolderUse use,
                              platform::Held* folder) override;
  platform::Status OpenChildFolder(const platform::HeldFolder& parent, const std::wstring& name,
                                   platform::FolderUse use, bool make,
                                   const platform::FolderEntry* listed, platform::Held* child,
                                   bool* made) override;
  platform::Status List(const platform::HeldFolder& folder,
                        std::vector<platform::FolderEntry>* entries) override;
  platform::Status EntryOf(const platform::HeldFolder& folder, const std::wstring& name,
                           platform::FolderEntry* entry) override;
  int CompareNames(const std::wstring& left, const std::wstring& right) override;
  bool KeepsTwoSecondTimes(const platform::HeldFolder&) override { return false; }
  bool GivesIdentities(const platform::HeldFolder& folder) override;
  platform::Status WriteBeside(const platform::HeldFolder& media_folder,
                               const platform::FolderEntry& media,
                               const platform::HeldFolder& folder,
                               const platform::FolderEntry* installed, platform::Copied copied,
                               platform::Written* written) override;
  platform::Status PutWritten(const platform::HeldFolder& folder,
                              const platform::WrittenFile& written,
                              const std::wstring& name) override {
    return Rename(folder, written.name(), name, false);
  }
  platform::Status Rename(const platform::HeldFolder& folder, const std::wstring& from,
                          const std::wstring& to, bool replace) override;
  platform::Status DeleteOwn(const platform::HeldFolder& folder, const std::wstring& name) override;
  platform::Status LockUpdate(const platform::HeldFolder& folder,
                              platform::FileLock* lock) override;
  platform::Status WriteRecord(const platform::HeldFolder& folder, const std::string& bytes,
                               std::wstring* name) override;
  platform::Status ReadRecord(const platform::HeldFolder& folder, const std::wstring& name,
                              unsigned long maker, std::string* bytes) override;
  platform::Status MakeDurable(const platform::HeldFolder& folder,
                               const std::wstring& name) override;
  platform::Status DeleteChild(const platform::HeldFolder& folder, const std::wstring& name,
                               bool link) override;
  platform::Status DeleteFolder(const platform::HeldFolder& folder) override;
  void RemoveAbandoned(const platform::HeldFolder& folder, const std::wstring& name,
                       unsigned long maker) override;
  platform::Status FolderExists(const std::wstring& path, bool* exists) override;
  bool IsSameOrInside(const std::wstring& path, const std::wstring& other) override;
  std::vector<platform::FileHolder> HoldersOf(const platform::HeldFolder& folder,
                                              const std::wstring& name) override;

 private:
  platform::Status Asked(Op op, const std::wstring& what);
  void Children(const std::wstring& key, std::vector<platform::FolderEntry>* entries) const;

  FakeDisk& disk_;
  FaultPlan& faults_;
  unsigned long temporaries_ = 0;  // the temporaries this process named
};

}  // namespace fake
