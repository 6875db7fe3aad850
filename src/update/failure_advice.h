// What the user can do about a copy that failed, judged by why it failed.
#pragma once

#include "platform/status.h"

namespace FunzioniReg {

enum class Advice {
  kCloseProgram,  // the file is in use, most likely by the running program
  kFreeSpace,     // the drive is full
  kAsAdministrator,
  // As administrator, started from the share's own path: an elevated run
  // does not see the drive letter the media was named by.
  kAsAdministratorFromShare,
  kRetry,        // nothing the user can do but try again
  kAskSupplier,  // the new program is not signed by its publisher
  // Signed intact, but with a certificate this PC does not trust and that is
  // not the one that signed Quadrivo.exe.
  kCertificateNotTrustedHere,
  // Refused even to an administrator: a deny entry, a file of
  // TrustedInstaller, a mark that may not be lifted, Controlled Folder Access.
  kAskWhoLooksAfterThisPc,
};

// elevated: whether the run that met the failure had administrator rights.
// A file a program holds is told apart by the file service (in use, not
// access denied), so a refusal an elevated run meets is one even an
// administrator meets.
// media_on_mapped_letter: whether the update was started from a drive letter
// mapped to a share.
Advice AdviceFor(platform::Status status, bool elevated, bool media_on_mapped_letter);

}  // namespace FunzioniReg
