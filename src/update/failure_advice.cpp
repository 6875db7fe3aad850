#include "update/failure_advice.h"

namespace FunzioniReg {

Advice AdviceFor(platform::Status status, bool elevated, bool media_on_mapped_letter) {
  switch (status) {
    case platform::kErrorSharingViolation:
    case platform::kErrorLockViolation:
      return Advice::kCloseProgram;
    case platform::kErrorAccessDenied:
      if (elevated) return Advice::kAskWhoLooksAfterThisPc;
      return media_on_mapped_letter ? Advice::kAsAdministratorFromShare : Advice::kAsAdministrator;
    case platform::kErrorDiskFull:
    case platform::kErrorHandleDiskFull:
      return Advice::kFreeSpace;
    case platform::kErrorNotPublishers:
      return Advice::kAskSupplier;
    case platform::kErrorPublisherNotTrustedHere:
      return Advice::kCertificateNotTrustedHere;
    default:
      return Advice::kRetry;
  }
}

}  // namespace FunzioniReg
