// The four outcomes of a run and the failed update, each as the one text the
// user is shown, and the advice a failed update gives by its cause.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/status.h"

namespace FunzioniReg {

extern const wchar_t kApplicationTitle[];

// What the user can do about a copy that failed, judged by why it failed.
enum class Advice {
  kCloseProgram,  // the file is in use, most likely by the running program
  kFreeSpace,     // the drive is full
  kAsAdministrator,
  // As administrator, started from the share's own path: an elevated run
  // does not see the drive letter the media was named by.
  kAsAdministratorFromShare,
  kRetry,        // nothing the user can do but try again
  kAskSupplier,  // the new program is not signed by its publisher
  // Signed intact, with a certificate in the publisher's name that this PC
  // does not trust and that is not the one the build pinned.
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

std::wstring PriceListPlacedMessage(const std::wstring& price_list_name,
                                    const std::wstring& install_folder);
std::wstring DefaultFolderMessage(const std::wstring& default_folder);
std::wstring UpdateCompletedMessage(const std::wstring& program_name);
std::wstring UpdateCancelledMessage(const std::wstring& program_name);
// Names the copy that failed, then what to do about it: for a file in use,
// the programs that held it, when they are known.
std::wstring UpdateFailedMessage(const std::wstring& program_name, const std::wstring& source,
                                 const std::wstring& destination, Advice advice,
                                 const std::vector<platform::FileHolder>& holders);

}  // namespace FunzioniReg
