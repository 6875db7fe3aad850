#include "platform/copy_rules.h"

namespace platform {

// Only ASCII letters are folded: the names to tell are ASCII, and no other
// letter may turn into one of theirs.
bool KeepsTwoSecondTimes(const std::wstring& file_system_name) {
  std::wstring name = file_system_name;
  for (wchar_t& c : name) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return name == L"FAT" || name == L"FAT32" || name == L"EXFAT";
}

bool CopyNeeded(const FileStamp& media, const FileStamp& installed, VolumeAnswers& volumes,
                Status* not_copied) {
  const bool in_place = IsAlreadyInPlace(media, installed, false) ||
                        (IsAlreadyInPlace(media, installed, true) && volumes.KeepTwoSecondTimes());
  if (!in_place) return true;
  *not_copied = volumes.GiveIdentities() ? kErrorSuccess : kErrorSameFile;
  return false;
}

bool IsAlreadyInPlace(const FileStamp& media, const FileStamp& installed,
                      bool keeps_two_second_times) {
  constexpr std::uint64_t kTwoSeconds = 2 * 10000000ULL;
  if (media.size != installed.size) return false;
  const std::uint64_t apart = media.write_time > installed.write_time
                                  ? media.write_time - installed.write_time
                                  : installed.write_time - media.write_time;
  return apart == 0 || (keeps_two_second_times && apart <= kTwoSeconds);
}

}  // namespace platform
