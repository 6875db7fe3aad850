#include "update/failure_advice.h"

namespace FunzioniReg {

Advice AdviceFor(platform::Status status, bool elevated) {
  switch (status) {
    case platform::kErrorSharingViolation:
    case platform::kErrorLockViolation:
      return Advice::kCloseProgram;
    case platform::kErrorAccessDenied:
      return elevated ? Advice::kCloseProgram : Advice::kAsAdministrator;
    case platform::kErrorDiskFull:
    case platform::kErrorHandleDiskFull:
      return Advice::kFreeSpace;
    case platform::kErrorNotPublishers:
      return Advice::kAskSupplier;
    default:
      return Advice::kRetry;
  }
}

}  // namespace FunzioniReg
