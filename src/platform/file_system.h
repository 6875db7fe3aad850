// The file-system service of an update: whole files and whole folders, with
// literal paths (no wildcards). Every operation reports a Win32 status.
#pragma once

#include <memory>
#include <string>

#include "platform/status.h"

namespace platform {

class FileSystemObject {
 public:
  virtual ~FileSystemObject() = default;

  // Copies source onto destination, replacing a file already there. A file
  // is never copied onto itself, under whatever name: that fails with
  // kErrorInvalidParameter.
  virtual Status CopyFile(const std::wstring& source, const std::wstring& destination) = 0;
  // Deletes one file; a read-only file is not forced and is a failure.
  virtual Status DeleteFile(const std::wstring& path) = 0;
  // Copies the folder source with its content onto the folder destination,
  // which is created when missing; files of the same name are replaced. A
  // destination that is the source or lies inside it, under whatever name,
  // fails with kErrorInvalidParameter.
  virtual Status CopyFolder(const std::wstring& source, const std::wstring& destination) = 0;
  // Deletes a folder and its content; read-only content is not forced.
  virtual Status DeleteFolder(const std::wstring& path) = 0;
  virtual bool FolderExists(const std::wstring& path) = 0;
  // Whether path is folder itself or lies inside it, as the file system sees
  // it: another drive letter, a short name or a link for the same folder
  // count. A path that does not exist yet is judged by its nearest existing
  // parent. Also works for a file against a file (the same file).
  virtual bool IsSameOrInside(const std::wstring& path, const std::wstring& folder) = 0;
};

// Creates the platform's service; null when it cannot be had at all.
std::unique_ptr<FileSystemObject> CreateFileSystemObject();

}  // namespace platform
