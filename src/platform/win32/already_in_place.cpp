#include "platform/win32/already_in_place.h"

#include "platform/win32/file_identity.h"
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

}  // namespace platform::win32
