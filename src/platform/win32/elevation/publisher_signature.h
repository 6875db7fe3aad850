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
// no administrator rights, or when the copy's signature verifies and names
// the same signer as this program's own; kErrorNotPublishers otherwise,
// and also when this program's own signature does not verify.
Status CheckPublisher(HANDLE file, const std::wstring& path);

}  // namespace platform::win32
