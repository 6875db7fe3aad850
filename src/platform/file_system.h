// The file-system service of an update: whole files and whole folders, with
// literal paths (no wildcards). Every operation reports a Win32 status.
//
// Both implementations follow the same rules:
// - A media file whose installed counterpart has its size and last-write time
//   (copy_rules.h) is already in place: it is not copied again, and the copy
//   succeeds. A running program that is up to date is thus never disturbed.
//   Where the file system cannot give either file's identity, such a file may
//   be the media's own: the copy then fails with kErrorSameFile.
// - kErrorSameFile answers a copy whose destination is its source, or lies
//   inside it, under whatever name: another drive letter, a short name, a
//   junction or a hard link.
// - A destination another program holds open fails with
//   kErrorSharingViolation; kErrorAccessDenied means missing rights.
// - Copies replace each file in one step: the destination is the old file or
//   the new one, never half of each. Between BeginUpdate and FinishUpdate the
//   copies of one update are one step: every new file is written first,
//   replacing nothing, and then all are put in place, or none.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/status.h"

namespace platform {

// A program that holds a file open: its name as its user knows it
// ("Microsoft® HTML Help Executable"), and whether it runs in another user's
// session (a terminal server).
struct FileHolder {
  std::wstring name;
  bool other_session;
};

class FileSystemObject {
 public:
  virtual ~FileSystemObject() = default;

  // Copies source onto destination, replacing a file already there; outside
  // an update (BeginUpdate), as one of its own.
  virtual Status CopyFile(const std::wstring& source, const std::wstring& destination) = 0;
  // Deletes one file; a read-only file is not forced and is a failure.
  virtual Status DeleteFile(const std::wstring& path) = 0;
  // Copies the folder source with its content onto the folder destination,
  // which is created when missing; files of the same name are replaced,
  // others kept.
  virtual Status CopyFolder(const std::wstring& source, const std::wstring& destination) = 0;
  // Deletes a folder and its content; read-only content is not forced.
  virtual Status DeleteFolder(const std::wstring& path) = 0;
  // Opens the update of the installation folder: from here on CopyFile and
  // CopyFolder only write each new file beside its destination. First puts
  // the installation back as it was before an update that ended half-way
  // through putting its files in place (its record is in the folder), or
  // fails with kErrorBusy while that update may still be running and with
  // kErrorUpdateRecordUnusable where its record cannot be trusted.
  virtual Status BeginUpdate(const std::wstring& installation_folder) = 0;
  // Puts every file written since BeginUpdate in place, the old ones kept
  // until all are, or none: on failure every replacement made is undone and
  // what the update added is removed; *failed_destination is then the file
  // that failed, and *as_it_was whether the installation is as it was.
  virtual Status FinishUpdate(std::wstring* failed_destination, bool* as_it_was) = 0;
  // Discards what was written since BeginUpdate: the installation stays as
  // it was.
  virtual void AbandonUpdate() = 0;
  // Whether the folder path is there, in *exists. Only a folder that is not
  // found, or a file of that name, is absent; one that cannot be asked about
  // (access denied, a network error) is neither, and its status is returned.
  virtual Status FolderExists(const std::wstring& path, bool* exists) = 0;
  // Whether path names other (a file or a folder) or lies inside it, as the
  // file system sees it, under whatever name. A path that does not exist yet
  // is judged by its nearest existing parent.
  virtual bool IsSameOrInside(const std::wstring& path, const std::wstring& other) = 0;
  // The programs that held the installed file whose replacement last failed
  // with kErrorSharingViolation or kErrorLockViolation; empty when they
  // cannot be told. Only asked after such a failure: it may load a DLL.
  virtual std::vector<FileHolder> HoldersOfHeldFile() = 0;
};

// Creates the platform's service; null when it cannot be had at all.
std::unique_ptr<FileSystemObject> CreateFileSystemObject();

}  // namespace platform
