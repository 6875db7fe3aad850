// Status values as the Win32 functions return them: 0 is success, anything
// else is the system error code of the failure. No exception crosses the
// platform seam; every service reports through one of these.
#pragma once

#include <cstdint>

namespace platform {

using Status = std::int32_t;

constexpr Status kErrorSuccess = 0;
constexpr Status kErrorFileNotFound = 2;
constexpr Status kErrorPathNotFound = 3;
constexpr Status kErrorAccessDenied = 5;
constexpr Status kErrorInvalidHandle = 6;
constexpr Status kErrorInvalidData = 13;
constexpr Status kErrorNotEnoughMemory = 8;
constexpr Status kErrorWriteProtect = 19;
constexpr Status kErrorSharingViolation = 32;
constexpr Status kErrorLockViolation = 33;
constexpr Status kErrorHandleDiskFull = 39;
constexpr Status kErrorInvalidParameter = 87;
constexpr Status kErrorDiskFull = 112;
constexpr Status kErrorInvalidName = 123;
constexpr Status kErrorBusy = 170;
constexpr Status kErrorMoreData = 234;
constexpr Status kErrorReparseAttributeConflict = 4391;  // a link where none may be
constexpr Status kErrorCancelled = 1223;

// Outcomes of the update's own, carried by the Windows codes nearest to them.
// One file or folder named twice, as source and destination of a copy.
constexpr Status kErrorSameFile = kErrorInvalidParameter;
// No file-system service could be had: nothing can be copied.
constexpr Status kErrorNoFileSystem = kErrorNotEnoughMemory;
// An elevated run refused to install a program that does not carry the
// publisher's own verified signature: ERROR_INVALID_IMAGE_HASH.
constexpr Status kErrorNotPublishers = 577;
// A run with more rights than its user refused a media file that has another
// name besides (a hard link its user may have made to a file they may not
// read): ERROR_TOO_MANY_LINKS.
constexpr Status kErrorMediaFileLinked = 1142;
// The record of an update another run left half-way cannot be read, or the
// old files it kept are not all there: nothing is guessed, and it stays as
// it is. ERROR_INVALID_DATA.
constexpr Status kErrorUpdateRecordUnusable = kErrorInvalidData;
// An elevated run refused a program whose signature is intact but whose
// certificate this PC does not trust, and is not the one that signed this
// program: WinVerifyTrust's CERT_E_UNTRUSTEDROOT.
constexpr Status kErrorPublisherNotTrustedHere = static_cast<Status>(0x800B0109u);

}  // namespace platform
