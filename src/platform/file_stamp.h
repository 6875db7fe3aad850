// What tells an installed file from the media's file without reading either:
// its size and last-write time. A file whose stamp matches is already in
// place and is not copied again, as robocopy does by default.
#pragma once

#include <cstdint>
#include <string>

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

}  // namespace platform
