// Which media files need not be copied: those whose installed counterpart
// already has their stamp (size and last-write time). The single executable
// and every file of a folder are judged by this one decision.
#pragma once

#include <string>
#include <vector>

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

// What a copy that is not made reports: success for a file in place.
inline Status StatusOf(Placement placement) {
  return placement == Placement::kInPlace ? kErrorSuccess : kErrorSameFile;
}

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

// The stamp of the plain file at path; false when there is none:
// folders and links are never a file already in place.
bool StampOfPlainFile(const std::wstring& path, FileStamp* stamp);

struct InstalledFile {
  std::wstring name;  // as the folder spells it
  FileStamp stamp;
};

// The stamps of every plain file in one installed folder, read from a single
// listing, so that telling which files are already in place costs no call per
// file.
class InstalledStamps {
 public:
  // Nothing is listed: a folder just made holds nothing.
  InstalledStamps() = default;
  // Lists folder; status() tells whether it could be read.
  explicit InstalledStamps(const std::wstring& folder);

  // The file of that name, in any case; null when there is none.
  const InstalledFile* Find(const wchar_t* name) const;
  Status status() const { return status_; }

 private:
  std::vector<InstalledFile> files_;  // sorted as the file system compares names
  Status status_ = kErrorSuccess;
};

}  // namespace platform::win32
