// What the user can do about a copy that failed, judged by why it failed.
#pragma once

#include "platform/status.h"

namespace FunzioniReg {

enum class Advice {
  kCloseProgram,  // the file is in use, most likely by the running program
  kFreeSpace,     // the drive is full
  kAsAdministrator,
  kRetry,        // nothing the user can do but try again
  kAskSupplier,  // the new program is not signed by its publisher
};

// elevated: whether the run that met the failure had administrator rights.
// A running program refuses its replacement with access denied, so an
// elevated run that is refused meets a program still open.
Advice AdviceFor(platform::Status status, bool elevated);

}  // namespace FunzioniReg
