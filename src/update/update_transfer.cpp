#include "update/update_transfer.h"

#include "update/path_text.h"

namespace FunzioniReg {

std::unique_ptr<platform::FileSystemObject> FileSystem;

namespace {

// The help folder on the media has this name whatever the program is.
constexpr wchar_t kMediaHelpFolder[] = L"GuidaLindarex";
constexpr wchar_t kInstalledHelpFolder[] = L"Guida";

platform::FileSystemObject* TheFileSystem() {
  if (!FileSystem) FileSystem = platform::CreateFileSystemObject();
  return FileSystem.get();
}

TransferOutcome Failed(const std::wstring& source, const std::wstring& destination,
                       platform::Status status, bool anything_changed) {
  return TransferOutcome{false, source, destination, status, anything_changed, {}};
}

// Asked only once a copy failed on a held file, so that no run pays for it;
// no other failure, a missing service among them, asks the service.
std::vector<platform::FileHolder> HoldersIfHeld(platform::FileSystemObject* fs,
                                                platform::Status status) {
  const bool held =
      status == platform::kErrorSharingViolation || status == platform::kErrorLockViolation;
  return held ? fs->HoldersOfHeldFile() : std::vector<platform::FileHolder>();
}

// The executable is held by the running program, best named as the user
// knows it; unless one holder is another user's, whom closing one's own
// copy would not help.
std::vector<platform::FileHolder> HoldersOfExecutable(platform::FileSystemObject* fs,
                                                      platform::Status status) {
  std::vector<platform::FileHolder> holders = HoldersIfHeld(fs, status);
  for (const platform::FileHolder& holder : holders) {
    if (holder.other_session) return holders;
  }
  return {};
}

// What an update copies from where to where.
struct Places {
  std::wstring media_exe, installed_exe, media_help, installed_help;
};

Places PlacesOf(const std::wstring& command_path, const std::wstring& program_name,
                const std::wstring& install_folder) {
  return Places{command_path + L".exe", install_folder + program_name + L".exe",
                FolderOf(command_path) + kMediaHelpFolder, install_folder + kInstalledHelpFolder};
}

// The copies refuse a file or folder onto itself, but the media's files are
// removed only if, asked once more, none of them is the installation under
// another name: removing them would remove the installed program.
TransferOutcome MediaApart(platform::FileSystemObject& fs, const Places& at, bool has_help) {
  if (fs.IsSameOrInside(at.installed_exe, at.media_exe)) {
    return Failed(at.media_exe, at.installed_exe, platform::kErrorSameFile, true);
  }
  if (has_help && (fs.IsSameOrInside(at.installed_exe, at.media_help) ||
                   fs.IsSameOrInside(at.installed_help, at.media_help))) {
    return Failed(at.media_help, at.installed_help, platform::kErrorSameFile, true);
  }
  return TransferOutcome{true, std::wstring(), std::wstring(), platform::kErrorSuccess, true, {}};
}

// Removing the media's files is tidying only: on a disc it fails, and the
// update is complete all the same. The executable goes only once the help
// folder is gone: media tidied half-way still hold a whole update, so that
// running it again completes.
void RemoveMediaFiles(platform::FileSystemObject& fs, const Places& at, bool has_help) {
  if (!has_help || fs.DeleteFolder(at.media_help) == platform::kErrorSuccess) {
    fs.DeleteFile(at.media_exe);
  }
}

}  // namespace

TransferOutcome UpdateTransfer(const std::wstring& command_path, const std::wstring& program_name,
                               const std::wstring& install_folder, bool remove_media) {
  const Places at = PlacesOf(command_path, program_name, install_folder);
  platform::FileSystemObject* fs = TheFileSystem();
  if (fs == nullptr)
    return Failed(at.media_exe, at.installed_exe, platform::kErrorNoFileSystem, false);
  // An update without a help folder is complete with its executable alone;
  // one whose help folder cannot be asked about is not, before anything
  // changes.
  bool has_help = false;
  const platform::Status help_asked = fs->FolderExists(at.media_help, &has_help);
  if (help_asked != platform::kErrorSuccess) {
    return Failed(at.media_help, at.installed_help, help_asked, false);
  }
  const platform::Status exe_copied = fs->CopyFile(at.media_exe, at.installed_exe);
  if (exe_copied != platform::kErrorSuccess) {
    TransferOutcome failed = Failed(at.media_exe, at.installed_exe, exe_copied, false);
    failed.holders = HoldersOfExecutable(fs, exe_copied);
    return failed;
  }
  const platform::Status help_copied =
      has_help ? fs->CopyFolder(at.media_help, at.installed_help) : platform::kErrorSuccess;
  if (help_copied != platform::kErrorSuccess) {
    TransferOutcome failed = Failed(at.media_help, at.installed_help, help_copied, true);
    failed.holders = HoldersIfHeld(fs, help_copied);
    return failed;
  }
  const TransferOutcome apart = MediaApart(*fs, at, has_help);
  if (apart.completed && remove_media) RemoveMediaFiles(*fs, at, has_help);
  return apart;
}

void RemoveMedia(const std::wstring& command_path, const std::wstring& program_name,
                 const std::wstring& install_folder) {
  const Places at = PlacesOf(command_path, program_name, install_folder);
  platform::FileSystemObject* fs = TheFileSystem();
  // The elevated run installed the whole help folder it saw; one that cannot
  // be asked about now is kept, with the executable.
  bool has_help = false;
  if (fs == nullptr || fs->FolderExists(at.media_help, &has_help) != platform::kErrorSuccess)
    return;
  if (MediaApart(*fs, at, has_help).completed) RemoveMediaFiles(*fs, at, has_help);
}

}  // namespace FunzioniReg
