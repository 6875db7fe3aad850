// The primitives the file service is built on: folders held open as
// themselves, and what is done relative to them. A folder is opened once, by
// path or by its name in a folder already held, and held while its content
// is worked on, so that it cannot be renamed meanwhile; its children are
// opened, made, listed, replaced and deleted by their single name relative
// to it, never through a link. The rules of what to copy, skip, refuse or
// remove are the file service's, written once above these (file_service.h);
// an implementation answers only what its platform alone can.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/copy_rules.h"
#include "platform/file_system.h"
#include "platform/status.h"

namespace platform {

// A child as its folder's listing shows it: its attributes are Windows'
// own bits (FILE_ATTRIBUTE_*), and a reparse point's tag is the listing's.
struct FolderEntry {
  std::wstring name;  // as the folder spells it
  std::uint32_t attributes;
  std::uint32_t reparse_tag;  // 0 for none, or not told
  FileStamp stamp;
};

constexpr std::uint32_t kAttributeReadOnly = 0x1;
constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeReparsePoint = 0x400;

inline bool IsFolder(std::uint32_t attributes) { return (attributes & kAttributeDirectory) != 0; }
inline bool IsReadOnly(std::uint32_t attributes) { return (attributes & kAttributeReadOnly) != 0; }
inline bool IsReparsePoint(std::uint32_t attributes) {
  return (attributes & kAttributeReparsePoint) != 0;
}
// A reparse point is a link only when its tag says that it names another
// file or folder (the name-surrogate bit, IsReparseTagNameSurrogate:
// symbolic links, junctions, mount points). A cloud placeholder (OneDrive's
// files on demand) or a deduplicated file is a file like any other to its
// user. A tag not told (0, which no reparse point has) counts as a link.
inline bool IsLink(std::uint32_t attributes, std::uint32_t reparse_tag) {
  constexpr std::uint32_t kNameSurrogate = 0x20000000;
  return IsReparsePoint(attributes) && (reparse_tag == 0 || (reparse_tag & kNameSurrogate) != 0);
}
inline bool IsLink(const FolderEntry& entry) { return IsLink(entry.attributes, entry.reparse_tag); }

// A full path as the folder it lies in and its last component:
// \\?\C:\Upd\Lindarex.exe gives \\?\C:\Upd and Lindarex.exe; a name at a root
// gives the root with its backslash (\\?\D:\). A root itself ("\\?\C:\",
// "\\?\UNC\server\share\") has no name: it is the folder, with none.
struct PathParts {
  std::wstring folder;
  std::wstring name;
};
PathParts SplitLast(const std::wstring& full_path);

// A folder held open as itself, until this is destroyed.
class HeldFolder {
 public:
  virtual ~HeldFolder() = default;
};
// Shared: an update keeps every folder it writes into held until its files
// are all in place.
using Held = std::shared_ptr<HeldFolder>;

enum class FolderUse {
  kRead,    // listed and read from, and copied into: all a disc allows
  kRemove,  // deleted, with its content
};

// A new file written beside its destination: its temporary's name, and, for
// the program, the file held open as itself until it takes its place, so
// that the file checked is the file put in place.
class WrittenFile {
 public:
  explicit WrittenFile(std::wstring name) : name_(std::move(name)) {}
  virtual ~WrittenFile() = default;
  const std::wstring& name() const { return name_; }

 private:
  std::wstring name_;
};
using Written = std::unique_ptr<WrittenFile>;

// A file held open by this run until this is destroyed.
class HeldFile {
 public:
  virtual ~HeldFile() = default;
};
using FileLock = std::unique_ptr<HeldFile>;

// What is written: a run with more rights than its user installs the program
// only when its publisher signed it; help files are not checked.
enum class Copied { kHelpFile, kProgram };

class HeldFolders {
 public:
  virtual ~HeldFolders() = default;

  // The path as the platform's file calls take it: absolute, made once, in
  // the form that reaches past any length limit. One that cannot be made so
  // comes back as it is, for the open to report.
  virtual std::wstring FullPath(const std::wstring& path) = 0;
  // Opens the folder a full path names, as itself. ERROR_PATH_NOT_FOUND when
  // it is missing or a file; ERROR_REPARSE_ATTRIBUTE_CONFLICT when a link.
  virtual Status OpenFolder(const std::wstring& full_path, FolderUse use, Held* folder) = 0;
  // Opens the child folder name of parent, as itself; made first when
  // missing, if make, and then *made (when not null) is set. listed: the
  // child as parent's listing has just shown it, or null.
  virtual Status OpenChildFolder(const HeldFolder& parent, const std::wstring& name, FolderUse use,
                                 bool make, const FolderEntry* listed, Held* child, bool* made) = 0;
  // Every child of the folder but "." and "..". ERROR_INVALID_NAME for a
  // name no folder gives its children (empty, or holding \, / or :), which
  // is never opened.
  virtual Status List(const HeldFolder& folder, std::vector<FolderEntry>* entries) = 0;
  // The child name as the folder's listing shows it; ERROR_FILE_NOT_FOUND
  // when there is none.
  virtual Status EntryOf(const HeldFolder& folder, const std::wstring& name,
                         FolderEntry* entry) = 0;
  // Compares two names as the file system does (without regard to case):
  // below 0, 0 or above 0.
  virtual int CompareNames(const std::wstring& left, const std::wstring& right) = 0;

  // What the folder's volume says, asked only when a copy needs it: whether
  // it keeps last-write times in 2-second steps, and whether it gives its
  // files an identity (a file index).
  virtual bool KeepsTwoSecondTimes(const HeldFolder& folder) = 0;
  virtual bool GivesIdentities(const HeldFolder& folder) = 0;

  // Writes the content of media (a child of media_folder, as its listing
  // showed it) as a new temporary in folder, in *written, and
  // writes it from the cache to the disk (not yet through the disk's own
  // cache: WriteRecord does that once for all). The copy gets media's
  // last-write time and attributes but read-only; installed, the file it is
  // to replace (null for none), its own permissions. Missing rights fail with
  // kErrorAccessDenied; a run with more rights than its user refuses a media
  // file with a second name (kErrorMediaFileLinked). On failure no temporary
  // is left.
  virtual Status WriteBeside(const HeldFolder& media_folder, const FolderEntry& media,
                             const HeldFolder& folder, const FolderEntry* installed, Copied copied,
                             Written* written) = 0;
  // Gives the written file, a child of folder, the name name in one step; a
  // file of that name is never replaced. Fails as Rename does.
  virtual Status PutWritten(const HeldFolder& folder, const WrittenFile& written,
                            const std::wstring& name) = 0;
  // Gives the file from of folder, opened as itself, the name to in one step;
  // a file of that name is replaced only if replace, and a folder never. A
  // file another program holds fails with kErrorSharingViolation, missing
  // rights with kErrorAccessDenied.
  virtual Status Rename(const HeldFolder& folder, const std::wstring& from, const std::wstring& to,
                        bool replace) = 0;
  // Deletes the file name of folder, opened as itself, read-only or not: one
  // this run wrote or kept aside, or one the record of an ended run names.
  virtual Status DeleteOwn(const HeldFolder& folder, const std::wstring& name) = 0;

  // Keeps every other run from updating folder until *lock is let go: a file
  // of the folder (~Quadrivo.lock) held open and shared with nobody, deleted
  // once closed, which a crash does too. Held by another run: kErrorBusy.
  virtual Status LockUpdate(const HeldFolder& folder, FileLock* lock) = 0;

  // Writes bytes as a new file of folder, named for this process
  // (RecordName), and writes it through to the disk with everything written
  // before it; its name in *name.
  virtual Status WriteRecord(const HeldFolder& folder, const std::string& bytes,
                             std::wstring* name) = 0;
  // Reads the record name of folder, which the process maker wrote;
  // ERROR_BUSY while that process may be alive.
  virtual Status ReadRecord(const HeldFolder& folder, const std::wstring& name, unsigned long maker,
                            std::string* bytes) = 0;
  // Writes the file name of folder through to the disk, and with it what was
  // done in the folder before (a rename).
  virtual Status MakeDurable(const HeldFolder& folder, const std::wstring& name) = 0;

  // Deletes the child name of folder, opened as itself (a link goes as a
  // link, only where it is one when opened): a read-only file is refused.
  virtual Status DeleteChild(const HeldFolder& folder, const std::wstring& name, bool link) = 0;
  // Deletes the folder itself, held for removal and emptied; a read-only one
  // is refused.
  virtual Status DeleteFolder(const HeldFolder& folder) = 0;

  // Removes the child name of folder, a temporary that the process maker
  // left there, when that process has ended. Only a plain file with no other
  // name, checked and deleted through one handle that follows no link, is
  // removed; what cannot be removed stays.
  virtual void RemoveAbandoned(const HeldFolder& folder, const std::wstring& name,
                               unsigned long maker) = 0;

  // Whether the folder path is there (file_system.h).
  virtual Status FolderExists(const std::wstring& path, bool* exists) = 0;
  // Whether path names other or lies inside it, under whatever name
  // (file_system.h).
  virtual bool IsSameOrInside(const std::wstring& path, const std::wstring& other) = 0;
  // The programs holding the child name of folder; empty when they cannot be
  // told. It may load a DLL: asked only once a file was found held.
  virtual std::vector<FileHolder> HoldersOf(const HeldFolder& folder, const std::wstring& name) = 0;
};

// The platform's primitives; null when they cannot be had at all.
std::unique_ptr<HeldFolders> CreateHeldFolders();

}  // namespace platform
