// One run of the utility, from the command line to its one message box.
#pragma once

#include <string>

namespace FunzioniReg {

// What a script that runs the utility can test.
enum ExitStatus : int {
  kExitDone = 0,       // update completed, or a price-list message
  kExitCancelled = 1,  // the program is not installed
  kExitFailed = 2,     // a copy failed; the media still holds the update
};

// An elevated run that was handed the update ends with its outcome in a
// range of its own, kExitHandedBack + 0, 1 or 2, which the run that handed
// over turns back into 0, 1 or 2: a status picked by whoever ended the run
// from outside (the Task Manager's 1) never reads as an outcome.
constexpr int kExitHandedBack = 0x51AD0000;

// The whole run, for the argument part of the process's command line exactly
// as the process received it (no quotes or blanks stripped); returns the exit
// status once the message box is closed.
int Main(const std::wstring& argument);

}  // namespace FunzioniReg
