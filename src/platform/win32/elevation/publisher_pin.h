// The publisher's certificate a build is made for: an elevated run installs
// only a new program signed with it (or with a renewal of it that Windows
// trusts). It is compiled in, never read from Quadrivo.exe's own file: that
// file lies on the user's media, and a running image can be renamed and
// another, signed by anyone, put in its place.
#pragma once

#include "platform/win32/windows/windows_api.h"

namespace platform::win32 {

struct PublisherPin {
  const BYTE* fingerprint;  // the certificate's SHA-256, 32 bytes; null: no pin
  const BYTE* subject;      // its subject Name, DER-encoded
  DWORD subject_size;
};

constexpr DWORD kFingerprintSize = 32;

// This program's pin, defined by the source cmake/pin-certificate.cmake makes
// for each program when it is built (none for a build without a certificate).
extern const PublisherPin kBuildPublisherPin;

}  // namespace platform::win32
