// An elevated run installs into Program Files whatever program lies beside it
// on the media, under the name of the publisher the consent prompt showed.
// A build that pins its publisher's certificate (publisher_pin.h) installs
// in such a run only a program that publisher signed.
#pragma once

#include <string>

#include "platform/status.h"
#include "platform/win32/elevation/publisher_pin.h"
#include "platform/win32/windows/windows_api.h"

namespace platform::win32 {

// Whether the copy open as file (with read access), at path, may be
// installed: kErrorSuccess when this build pins no certificate, when the run
// has no administrator rights, or when PublisherAllows does.
Status CheckPublisher(HANDLE file, const std::wstring& path);

// The rule itself: kErrorSuccess when the copy's signature is intact and made
// with the pinned certificate, whether or not this PC trusts its root, or
// when Windows fully trusts it and its signer bears the pinned subject (a
// renewed certificate); kErrorPublisherNotTrustedHere when it is intact and
// bears the pinned subject, but its certificate is not trusted here;
// kErrorNotPublishers for anything else.
Status PublisherAllows(const PublisherPin& pin, HANDLE file, const std::wstring& path);

}  // namespace platform::win32
