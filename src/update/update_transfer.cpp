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
  return TransferOutcome{false, source, destination, status, anything_changed};
}

}  // namespace

TransferOutcome UpdateTransfer(const std::wstring& command_path, const std::wstring& program_name,
                               const std::wstring& install_folder) {
  const std::wstring media_exe = command_path + L".exe";
  const std::wstring installed_exe = install_folder + program_name + L".exe";
  platform::FileSystemObject* fs = TheFileSystem();
  if (fs == nullptr) return Failed(media_exe, installed_exe, platform::kErrorNoFileSystem, false);
  const platform::Status exe_copied = fs->CopyFile(media_exe, installed_exe);
  if (exe_copied != platform::kErrorSuccess) {
    return Failed(media_exe, installed_exe, exe_copied, false);
  }

  const std::wstring media_folder = FirstCharacters(
      command_path, static_cast<std::ptrdiff_t>(LastBackslashPosition(command_path)));
  const std::wstring media_help = media_folder + kMediaHelpFolder;
  const std::wstring installed_help = install_folder + kInstalledHelpFolder;
  // An update without a help folder is complete with its executable alone.
  const bool has_help = fs->FolderExists(media_help);
  if (has_help) {
    const platform::Status help_copied = fs->CopyFolder(media_help, installed_help);
    if (help_copied != platform::kErrorSuccess) {
      return Failed(media_help, installed_help, help_copied, true);
    }
  }

  // The copies refuse a file or folder onto itself, but the media's files are
  // removed only if, asked once more, none of them is the installation under
  // another name: removing them would remove the installed program.
  if (fs->IsSameOrInside(installed_exe, media_exe)) {
    return Failed(media_exe, installed_exe, platform::kErrorSameFile, true);
  }
  if (has_help && (fs->IsSameOrInside(installed_exe, media_help) ||
                   fs->IsSameOrInside(installed_help, media_help))) {
    return Failed(media_help, installed_help, platform::kErrorSameFile, true);
  }

  // Removing the media's files is tidying only: on a disc it fails, and the
  // update is complete all the same. The executable goes last: media tidied
  // half-way still hold it, so that running the update again completes.
  if (has_help) fs->DeleteFolder(media_help);
  fs->DeleteFile(media_exe);
  return TransferOutcome{true, std::wstring(), std::wstring(), platform::kErrorSuccess, true};
}

}  // namespace FunzioniReg
