// Which media files need not be copied: those whose installed counterpart
// already has their stamp (size and last-write time). The single executable
// and every file of a folder are judged by this one decision.
#pragma once

#include <string>

#include "platform/file_stamp.h"
#include "platform/status.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

// A stamp from any of the Win32 structures that carry size and write time.
template <typename FileData>
FileStamp StampOf(const FileData& data) {
  return FileStamp{(std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow,
                   Ticks(data.ftLastWriteTime)};
}

// What a media file's stamp and its installed counterpart's say.
enum class Placement {
  kCopy,     // the installed file is another: copy
  kInPlace,  // the installed file holds what the media file holds
  // The same stamps, but the file system gives no identity to tell the two
  // apart: the installed file may be the media's own, which removing the
  // media would remove. The update is refused.
  kUnsure,
};

class AlreadyInPlace {
 public:
  // media and installed: a file or folder on each side's volume, outliving
  // this.
  AlreadyInPlace(const std::wstring& media, const std::wstring& installed)
      : media_(media), installed_(installed) {}

  // Equal times settle it; the volumes are asked whether they keep 2-second
  // times only when the times are that close, and then once for all files;
  // the identities likewise only for stamps that match.
  Placement operator()(const FileStamp& media, const FileStamp& installed);

 private:
  bool InPlace(const FileStamp& media, const FileStamp& installed);

  const std::wstring& media_;
  const std::wstring& installed_;
  enum class Times { kUnknown, kExact, kTwoSecond } times_ = Times::kUnknown;
  enum class Identities { kUnknown, kKnown, kMissing } identities_ = Identities::kUnknown;
};

}  // namespace platform::win32
