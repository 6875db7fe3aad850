#include "update/main.h"

#include "platform/message_box.h"
#include "platform/process.h"
#include "update/find_install_folder.h"
#include "update/messages.h"
#include "update/path_text.h"
#include "update/update_transfer.h"

namespace FunzioniReg {

namespace {

int Show(const std::wstring& text, ExitStatus status) {
  // Unattended, the exit status is all anyone will read.
  if (platform::HasVisibleDesktop()) {
    platform::ShowMessageBox(text, kApplicationTitle, platform::kMbOk);
  }
  return status;
}

// A copy refused before anything changed, in a run without administrator
// rights, is most likely a folder only an administrator may write: the same
// update run elevated can complete it. Not so where elevation cannot help: an
// elevated run already, nobody to answer the consent prompt, an installation
// on another machine (whose rights are the server's), or media named by a
// drive letter the elevated run would not see, mapped or made by subst.
bool MayHandOver(const TransferOutcome& outcome, bool elevated, platform::NetworkPlace media_place,
                 const std::wstring& install_folder) {
  const bool media_seen_elevated = media_place == platform::NetworkPlace::kLocal ||
                                   media_place == platform::NetworkPlace::kShare;
  return !outcome.anything_changed && outcome.failed_status == platform::kErrorAccessDenied &&
         !elevated && platform::HasVisibleDesktop() && media_seen_elevated &&
         platform::NetworkPlaceOf(install_folder) == platform::NetworkPlace::kLocal;
}

// The elevated run showed the one box; what it ended with passes on when it
// is one of this program's outcomes, handed back. Anything else (a crash's
// 0xC0000005, an end from outside) reads as a failure, which leaves the media
// as they were.
int PassedOn(int elevated_status) {
  return elevated_status >= kExitHandedBack + kExitDone &&
                 elevated_status <= kExitHandedBack + kExitFailed
             ? elevated_status - kExitHandedBack
             : kExitFailed;
}

int PriceListReport(const std::wstring& price_list_folder, const std::wstring& install_folder) {
  return Show(install_folder.empty()
                  ? DefaultFolderMessage(WithoutLastComponent(price_list_folder))
                  : PriceListPlacedMessage(LastComponent(price_list_folder), install_folder),
              kExitDone);
}

int Update(const std::wstring& command_path, const std::wstring& program_name,
           const std::wstring& install_folder, bool handed_over) {
  if (install_folder.empty()) return Show(UpdateCancelledMessage(program_name), kExitCancelled);
  const TransferOutcome outcome =
      UpdateTransfer(command_path, program_name, install_folder, !handed_over);
  if (outcome.completed) return Show(UpdateCompletedMessage(program_name), kExitDone);
  const bool elevated = platform::IsElevated();
  const platform::NetworkPlace media_place = platform::NetworkPlaceOf(command_path);
  const bool media_on_mapped_letter = media_place == platform::NetworkPlace::kMappedLetter;
  if (MayHandOver(outcome, elevated, media_place, install_folder)) {
    // The elevated run gets the update's argument, unchanged, and shows the
    // one box; this one passes its status on, and removes the media with its
    // user's own rights once the update is complete: the media are the
    // user's, and an administrator's run must not delete what the user's
    // paths may point at by the time it deletes.
    int elevated_status = kExitFailed;
    if (platform::RunElevated(command_path, &elevated_status) == platform::kErrorSuccess) {
      const int status = PassedOn(elevated_status);
      if (status == kExitDone) RemoveMedia(command_path, program_name, install_folder);
      return status;
    }
  }
  const Advice advice = AdviceFor(outcome.failed_status, elevated, media_on_mapped_letter);
  return Show(UpdateFailedMessage(program_name, outcome.failed_source, outcome.failed_destination,
                                  advice, outcome.holders),
              kExitFailed);
}

}  // namespace

int Main(const std::wstring& argument) {
  const std::wstring program_name = LastComponent(argument);
  if (program_name == L"Prezzari") {
    // A price list is always placed for the accounting program; its name is
    // the folder above "Prezzari".
    return PriceListReport(WithoutLastComponent(argument), FindInstallFolder(L"Lindarex"));
  }
  const bool handed_over = platform::WasHandedOver();
  const int status = Update(argument, program_name, FindInstallFolder(program_name), handed_over);
  return handed_over ? kExitHandedBack + status : status;
}

}  // namespace FunzioniReg
