#include "platform/win32/volume_answers.h"

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

bool FolderVolumes::KeepTwoSecondTimes() {
  if (two_second_times_ == Answer::kNotAsked) {
    two_second_times_ = VolumeKeepsTwoSecondTimes(media_) || VolumeKeepsTwoSecondTimes(installed_)
                            ? Answer::kYes
                            : Answer::kNo;
  }
  return two_second_times_ == Answer::kYes;
}

bool FolderVolumes::GiveIdentities() {
  if (identities_ == Answer::kNotAsked) {
    identities_ = HasIdentity(media_) && HasIdentity(installed_) ? Answer::kYes : Answer::kNo;
  }
  return identities_ == Answer::kYes;
}

}  // namespace platform::win32
