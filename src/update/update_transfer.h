// Moving a new executable and help folder from the update media into an
// installation folder.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/status.h"

namespace FunzioniReg {

// The process's one file-system service, created by the first update
// transfer and kept until the process ends; null until then, and also when it
// cannot be created.
extern std::unique_ptr<platform::FileSystemObject> FileSystem;

struct TransferOutcome {
  bool completed;
  // The two paths of the copy that failed, when one did.
  std::wstring failed_source;
  std::wstring failed_destination;
  // Why that copy failed.
  platform::Status failed_status;
  // Whether the installation had already changed when it failed: only a
  // failure before any change may be handed to another run.
  bool anything_changed;
  // Who held the installed file, when another program's hold failed it and
  // the system could tell; empty for the running program itself.
  std::vector<platform::FileHolder> holders;
};

// Copies first and deletes the media's files only once every copy has
// succeeded, so that a failed update can simply be run again; and only if
// remove_media: a run that was handed the update leaves them to the run
// that handed it over, whose user they belong to.
TransferOutcome UpdateTransfer(const std::wstring& command_path, const std::wstring& program_name,
                               const std::wstring& install_folder, bool remove_media);

// Removes the media's files of an update that another run completed, unless
// they are the installation under another name or its help folder cannot be
// asked about. Tidying only: what cannot be removed stays.
void RemoveMedia(const std::wstring& command_path, const std::wstring& program_name,
                 const std::wstring& install_folder);

}  // namespace FunzioniReg
