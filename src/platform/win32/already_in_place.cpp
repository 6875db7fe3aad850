#include "platform/win32/already_in_place.h"

#include <algorithm>

#include "platform/win32/file_identity.h"
#include "platform/win32/folder_entries.h"
#include "platform/win32/scoped_handle.h"

namespace platform::win32 {

namespace {

// False when the file system cannot be told: then only equal times count,
// and a file is at worst copied again.
bool VolumeKeepsTwoSecondTimes(const std::wstring& path) {
  const ScopedFileHandle file(OpenToQuery(path));
  wchar_t name[MAX_PATH + 1];
  return file.valid() &&
         ::GetVolumeInformationByHandleW(file.get(), nullptr, 0, nullptr, nullptr, nullptr, name,
                                         MAX_PATH + 1) &&
         KeepsTwoSecondTimes(name);
}

// Names compare as the file system compares them: without regard to case.
int Compare(const std::wstring& left, const wchar_t* right) {
  return ::CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right, -1, TRUE);
}

}  // namespace

Placement AlreadyInPlace::operator()(const FileStamp& media, const FileStamp& installed) {
  if (!InPlace(media, installed)) return Placement::kCopy;
  if (identities_ == Identities::kUnknown) {
    identities_ =
        HasIdentity(media_) && HasIdentity(installed_) ? Identities::kKnown : Identities::kMissing;
  }
  return identities_ == Identities::kKnown ? Placement::kInPlace : Placement::kUnsure;
}

bool AlreadyInPlace::InPlace(const FileStamp& media, const FileStamp& installed) {
  if (IsAlreadyInPlace(media, installed, false)) return true;
  if (!IsAlreadyInPlace(media, installed, true)) return false;
  if (times_ == Times::kUnknown) {
    times_ = VolumeKeepsTwoSecondTimes(media_) || VolumeKeepsTwoSecondTimes(installed_)
                 ? Times::kTwoSecond
                 : Times::kExact;
  }
  return times_ == Times::kTwoSecond;
}

bool StampOfPlainFile(const std::wstring& path, FileStamp* stamp) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
      !IsPlainFile(data.dwFileAttributes)) {
    return false;
  }
  *stamp = StampOf(data);
  return true;
}

InstalledStamps::InstalledStamps(const std::wstring& folder) {
  FolderEntries entries(folder);
  while (entries.Next()) {
    const WIN32_FIND_DATAW& entry = entries.Entry();
    if (IsPlainFile(entry.dwFileAttributes)) files_.push_back({entry.cFileName, StampOf(entry)});
  }
  status_ = entries.status();
  std::sort(files_.begin(), files_.end(), [](const InstalledFile& a, const InstalledFile& b) {
    return Compare(a.name, b.name.c_str()) == CSTR_LESS_THAN;
  });
}

const InstalledFile* InstalledStamps::Find(const wchar_t* name) const {
  const auto found = std::lower_bound(files_.begin(), files_.end(), name,
                                      [](const InstalledFile& a, const wchar_t* b) {
                                        return Compare(a.name, b) == CSTR_LESS_THAN;
                                      });
  if (found == files_.end() || Compare(found->name, name) != CSTR_EQUAL) return nullptr;
  return &*found;
}

}  // namespace platform::win32
