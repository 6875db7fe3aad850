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
  // is never copied onto itself: that is a failure.
  virtual Status CopyFile(const std::wstring& source, const std::wstring& destination) = 0;
  // Deletes one file; a read-only file is not forced and is a failure.
  virtual Status DeleteFile(const std::wstring& path) = 0;
  // Copies the folder source with its content onto the folder destination,
  // which is created when missing; files of the same name are replaced. A
  // destination inside the source is a failure.
  virtual Status CopyFolder(const std::wstring& source, const std::wstring& destination) = 0;
  // Deletes a folder and its content; read-only content is not forced.
  virtual Status DeleteFolder(const std::wstring& path) = 0;
  virtual bool FolderExists(const std::wstring& path) = 0;
};

// Creates the platform's service; null when it cannot be had at all.
std::unique_ptr<FileSystemObject> CreateFileSystemObject();

}  // namespace platform
