// The temporary files of an update: each file is copied to a temporary,
// named ~Quadrivo-<process id>-<n>.tmp, and then takes the destination's
// place. The temporaries of a folder's files are made in a staging folder of
// their own inside it, ~Quadrivo-<process id>, or else beside their
// destinations. A run killed in between (Task Manager, a crash, a power cut)
// leaves them behind; the next run that copies into that folder removes
// them, unless the run that made them may still be alive.
#pragma once

#include <string>

#include "platform/status.h"
#include "platform/win32/scoped_handle.h"

namespace platform::win32 {

// A new temporary file beside destination, with these attributes, open for
// reading (a signature check) and writing, for being renamed or deleted
// through its own handle, and for extra_access as well; its path in *path.
Status CreateTemporary(const std::wstring& destination, DWORD attributes, DWORD extra_access,
                       std::wstring* path, ScopedFileHandle* file);

// Whether the process pid, which made a file at made_at (100 ns ticks since
// 1601, as FILETIME counts), may still be running: a live process started no
// later than the file, or one this user may not look at. A process that has
// ended, an id no process has, and a process started after the file (the id
// reused) are gone.
bool MakerMayBeAlive(unsigned long pid, unsigned long long made_at);

// Where the temporaries for the files of one folder are made. Under Wine,
// making a name a folder does not hold yet reads the whole folder (to rule
// out the name in another case); a temporary per file beside its destination
// would read a large folder once per file. Made at the first temporary, it
// inherits the folder's permissions as a temporary beside the destination
// would, and is removed when the folder's copy ends. Where it cannot be made,
// the temporaries go beside their destinations.
class StagingFolder {
 public:
  explicit StagingFolder(const std::wstring& folder) : folder_(folder) {}
  ~StagingFolder();
  StagingFolder(const StagingFolder&) = delete;
  StagingFolder& operator=(const StagingFolder&) = delete;

  // The folder to make the next temporary in.
  const std::wstring& Place();
  // From now on the temporaries go beside their destinations: one could not
  // be renamed from the staging folder (another volume behind a link).
  void GiveUp();

 private:
  const std::wstring& folder_;
  std::wstring path_;
  enum class State { kNotYet, kMade, kBeside } state_ = State::kNotYet;
};

// One search of the folder for temporaries and staging folders; each one
// whose maker is gone is removed, read-only or not. Tidying only: whatever
// cannot be removed stays, and the update goes on.
void RemoveAbandonedTemporaries(const std::wstring& folder);

}  // namespace platform::win32
