// One folder that copies go into: the installation folder for the program,
// each folder of the installed help for its files. It is made once per
// folder and holds what every copy into it needs: the folder's listing (the
// installed files' stamps and spellings), what the volumes say of 2-second
// times and identities, and what a new file gets there. Its listing also
// finds the temporaries a killed run left there, which it removes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/copy_rules.h"
#include "platform/status.h"
#include "platform/win32/files/own_permissions.h"
#include "platform/win32/files/replace_file.h"

namespace platform::win32 {

// A stamp from any of the Win32 structures that carry size and write time.
template <typename FileData>
FileStamp StampOf(const FileData& data) {
  return FileStamp{(std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow,
                   Ticks(data.ftLastWriteTime)};
}

class DestinationFolder final : private VolumeAnswers {
 public:
  enum class Kind {
    // The folder the registry names, as it is: it must be there.
    kInstallation,
    // A folder of the installed help: made when missing, and written into
    // only when it is a real folder, since through a link the copies would
    // land outside the installation.
    kHelp,
  };
  // path: the folder; media_folder: where the copies come from, on the
  // media's volume. Both outlive this.
  DestinationFolder(const std::wstring& path, const std::wstring& media_folder, Kind kind);

  // Whether the folder is there to copy into and could be listed.
  Status status() const { return status_; }

  // Copies the media file at source (media: as its folder lists it) into
  // this folder, under name or, for a file installed already, under the
  // installed spelling (a rename takes the case of the name it is given). A
  // file already in place is left as it is.
  Status Copy(const std::wstring& source, const WIN32_FIND_DATAW& media, const wchar_t* name,
              Copied copied);

 private:
  struct InstalledFile {
    std::wstring name;  // as the folder spells it
    FileStamp stamp;
  };

  Status MakeHelpFolder(bool* made);
  Status List();
  const InstalledFile* Find(const wchar_t* name) const;
  // What this folder's volume and the media's say, asked of the file system
  // once for all the copies into this folder, and only when a file's stamps
  // need it.
  bool KeepTwoSecondTimes() override;
  bool GiveIdentities() override;

  const std::wstring& path_;
  const std::wstring& media_folder_;
  std::vector<InstalledFile> installed_;  // sorted as the file system compares names
  std::optional<bool> two_second_times_;  // none until asked
  std::optional<bool> identities_;
  NewFilePermissions new_file_;
  Status status_;
};

// Copies a folder tree onto another folder, a DestinationFolder for each of
// its folders: files of the same name replaced, other files of the
// destination kept. Links and junctions inside the source are skipped, never
// followed, so nothing outside the source folder is copied. Stops at the
// first failure.
Status CopyFolderTree(const std::wstring& source, const std::wstring& destination);

}  // namespace platform::win32
