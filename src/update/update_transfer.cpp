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

// The copies refuse a file or folder onto itself, but the update goes in
// place, and the media's files are removed, only if, asked once more, none
// of them is the installation under another name: removing them would
// remove the installed program.
TransferOutcome MediaApart(platform::FileSystemObject& fs, const Places& at, bool has_help) {
  if (fs.IsSameOrInside(at.installed_exe, at.media_exe)) {
    return Failed(at.media_exe, at.installed_exe, platform::kErrorSameFile, false);
  }
  if (has_help && (fs.IsSameOrInside(at.installed_exe, at.media_help) ||
                   fs.IsSameOrInside(at.installed_help, at.media_help))) {
    return Failed(at.media_help, at.installed_help, platform::kErrorSameFile, false);
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

// The update's failure as the run reports it: a failed copy, or a file that
// could not be put in place (its path below the installation folder; one in
// the installation folder itself is the executable, empty the update's own
// record there).
TransferOutcome FailedUpdate(platform::FileSystemObject& fs, const Places& at, bool in_help,
                             platform::Status status, bool as_it_was) {
  TransferOutcome failed = in_help ? Failed(at.media_help, at.installed_help, status, !as_it_was)
                                   : Failed(at.media_exe, at.installed_exe, status, !as_it_was);
  failed.holders = in_help ? HoldersIfHeld(&fs, status) : HoldersOfExecutable(&fs, status);
  return failed;
}

// Every new file is written before anything is replaced, so that a failure
// there changes nothing; then all go in place as one step, or none.
TransferOutcome CopyAll(platform::FileSystemObject& fs, const Places& at, bool has_help) {
  const platform::Status exe_copied = fs.CopyFile(at.media_exe, at.installed_exe);
  const platform::Status help_copied = exe_copied == platform::kErrorSuccess && has_help
                                           ? fs.CopyFolder(at.media_help, at.installed_help)
                                           : platform::kErrorSuccess;
  if (exe_copied != platform::kErrorSuccess || help_copied != platform::kErrorSuccess) {
    fs.AbandonUpdate();
    return exe_copied != platform::kErrorSuccess ? FailedUpdate(fs, at, false, exe_copied, true)
                                                 : FailedUpdate(fs, at, true, help_copied, true);
  }
  const TransferOutcome apart = MediaApart(fs, at, has_help);
  if (!apart.completed) {
    fs.AbandonUpdate();
    return apart;
  }
  std::wstring failed_file;
  bool as_it_was = true;
  const platform::Status finished = fs.FinishUpdate(&failed_file, &as_it_was);
  if (finished == platform::kErrorSuccess) return apart;
  const bool in_help = failed_file.find(L'\\') != std::wstring::npos;
  return FailedUpdate(fs, at, in_help, finished, as_it_was);
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
  const platform::Status begun = fs->BeginUpdate(install_folder);
  if (begun != platform::kErrorSuccess) {
    return Failed(at.media_exe, at.installed_exe, begun, false);
  }
  const TransferOutcome outcome = CopyAll(*fs, at, has_help);
  // Asked once more before the media go: a share may answer otherwise now.
  if (outcome.completed && remove_media && MediaApart(*fs, at, has_help).completed) {
    RemoveMediaFiles(*fs, at, has_help);
  }
  return outcome;
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
