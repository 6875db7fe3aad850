// An elevated run installs into Program Files whatever program lies beside it
// on the media, under the name of the publisher the consent prompt showed.
// When Quadrivo.exe is signed, such a run installs only a program that its
// own publisher signed.
#pragma once

#include <string>

#include "platform/status.h"
#include "platform/win32/windows/windows_api.h"

namespace platform::win32 {

// Whether the copy open as file (with read access), at path, may be
// installed: kErrorSuccess when this program is unsigned, when the run has
// no administrator rights, or when PublisherAllows does.
Status CheckPublisher(HANDLE file, const std::wstring& path);

// The rule itself, the program at own_path being this one: kErrorSuccess when
// both signatures are intact and made with the same certificate, whether or
// not this PC trusts its root, or when Windows fully trusts both and their
// signers bear the same name (a renewed certificate);
// kErrorPublisherNotTrustedHere when both are intact but a certificate is
// not trusted here; kErrorNotPublishers for anything else.
Status PublisherAllows(const std::wstring& own_path, HANDLE file, const std::wstring& path);

}  // namespace platform::win32
