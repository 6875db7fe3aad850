// The rules of a copy that every implementation of the file service follows
// (file_system.h), written once here. What tells an installed file from the
// media's file without reading either is its stamp: its size and last-write
// time. A file whose stamp matches is already in place and is not copied
// again, as robocopy does by default.
#pragma once

#include <cstdint>
#include <string>

#include "platform/status.h"

namespace platform {

struct FileStamp {
  std::uint64_t size;
  // Last-write time in 100-nanosecond units, as Windows keeps it.
  std::uint64_t write_time;
};

// FAT and FAT32 keep last-write times in 2-second steps, and so does exFAT
// when a writer leaves its optional 10-millisecond field empty. The name is
// the file system's as GetVolumeInformation reports it.
bool KeepsTwoSecondTimes(const std::wstring& file_system_name);

// Whether installed holds what media holds: the same size, and the same
// last-write time within the steps the coarser of the two volumes keeps.
bool IsAlreadyInPlace(const FileStamp& media, const FileStamp& installed,
                      bool keeps_two_second_times);

// What the volumes of the media file and the installed one say, each asked
// only when the stamps need it: their time steps only when two times are
// within 2 seconds, their identities only when the stamps match.
class VolumeAnswers {
 public:
  // Whether either volume keeps 2-second times.
  virtual bool KeepTwoSecondTimes() = 0;
  // Whether both give their files an identity (a file index).
  virtual bool GiveIdentities() = 0;

 protected:
  ~VolumeAnswers() = default;
};

// Whether the media file must be copied over the installed one. When not,
// *not_copied is what the copy reports: success for a file already in place,
// or kErrorSameFile where the same stamps cannot be told apart for want of
// identities (the installed file may be the media's own, which removing the
// media would remove).
bool CopyNeeded(const FileStamp& media, const FileStamp& installed, VolumeAnswers& volumes,
                Status* not_copied);

}  // namespace platform
