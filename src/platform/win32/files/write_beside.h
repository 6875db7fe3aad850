// A new file written without ever writing over its destination: its content
// goes to a temporary beside it, which gets the installed file's own
// permissions, is checked as the file needs and written out to the disk,
// ready for the update to put it in place (held_folders.h, WriteBeside and
// PutWritten).
#pragma once

#include <string>

#include "platform/win32/files/held_folder.h"

namespace platform::win32 {

// The program's temporary stays open, shared with nobody, from its check
// until it takes its place: nobody can change it in between. A help file's
// is closed: a help folder may hold thousands.
class NewFile final : public WrittenFile {
 public:
  NewFile(std::wstring name, HANDLE held) : WrittenFile(std::move(name)), held_(held) {}
  // INVALID_HANDLE_VALUE when it is not held.
  HANDLE held() const { return held_.get(); }

 private:
  ScopedFileHandle held_;
};

Status WriteBeside(const Folder& media_folder, const FolderEntry& media, const Folder& folder,
                   const FolderEntry* installed, Copied copied, Written* written);
Status PutWritten(const Folder& folder, const WrittenFile& written, const std::wstring& name);

}  // namespace platform::win32
