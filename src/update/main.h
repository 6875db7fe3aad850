// One run of the utility, from the command line to its one message box.
#pragma once

#include <memory>

#include "platform/file_system.h"

namespace FunzioniReg {

// What a script that runs the utility can test.
enum ExitStatus : int {
  kExitDone = 0,       // update completed, or a price-list message
  kExitCancelled = 1,  // the program is not installed
  kExitFailed = 2,     // a copy failed; the media still holds the update
};

// The process's one file-system service, created on first use and kept until
// the process ends; null until then, and also when it cannot be created.
extern std::unique_ptr<platform::FileSystemObject> FileSystem;

// The whole run; returns the exit status once the message box is closed.
int Main();

}  // namespace FunzioniReg
