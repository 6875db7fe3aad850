// This process's standing on the machine: whether it has administrator
// rights, whether a user can see its window station, and starting this same
// program again with administrator rights.
#pragma once

#include <string>

#include "platform/status.h"

namespace platform {

// Whether this run has more rights than its user: an elevated token, or the
// LocalSystem account a deployment tool or service runs as.
bool IsElevated();

// False for a service or a program a deployment tool runs as SYSTEM: a box
// there would wait for a click nobody can give.
bool HasVisibleDesktop();

// Where a path lies, as a run of this program elevated would see it. Such a
// run does not see the drive letters its user mapped: they belong to the
// user's own logon, not to the elevated one (Microsoft's article on
// EnableLinkedConnections). On a share, the rights that count are the
// server's, not the local administrator's.
enum class NetworkPlace {
  kLocal,
  kShare,         // named by its UNC path, \\server\share\...
  kMappedLetter,  // a drive letter this user mapped to a share
  // A drive letter this user made for a local folder (subst): it belongs to
  // the user's logon as a mapped one does.
  kSubstLetter,
};
NetworkPlace NetworkPlaceOf(const std::wstring& path);

// Whether this run was handed the update by a run of this program that
// waits for it (the one that removes the media once it is complete). In
// doubt, it was.
bool WasHandedOver();

// Starts this program again, elevated, with the argument and the current
// folder of this run, and waits for its end. Success once it has run: its exit
// status is then in *exit_status, left as it was when it cannot be read.
// kErrorCancelled when the user declined; another failure when it could not
// start. A run that was itself started so never starts another (Windows may
// start it without elevation): there this fails at once.
Status RunElevated(const std::wstring& argument, int* exit_status);

}  // namespace platform
