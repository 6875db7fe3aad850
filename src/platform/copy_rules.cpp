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

namespace {

constexpr wchar_t kPrefix[] = L"~Quadrivo-";
constexpr wchar_t kSuffix[] = L".tmp";

// Written out here: std::to_wstring would bring the whole printf family into
// the executable.
std::wstring Decimal(unsigned long value) {
  wchar_t digits[16];
  wchar_t* first = digits + 16;
  do {
    *--first = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  return std::wstring(first, digits + 16);
}

// Whether text, from at, reads as the ASCII word, in either case.
bool ReadsAt(const std::wstring& text, std::size_t at, const wchar_t* word) {
  for (; *word != L'\0'; ++word, ++at) {
    if (at >= text.size()) return false;
    wchar_t c = text[at];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (c != *word) return false;
  }
  return true;
}

// Where the run of digits from at ends.
std::size_t DigitsEnd(const std::wstring& text, std::size_t at) {
  while (at < text.size() && text[at] >= L'0' && text[at] <= L'9') ++at;
  return at;
}

}  // namespace

std::wstring TemporaryName(unsigned long process, unsigned long counter) {
  return kPrefix + Decimal(process) + L"-" + Decimal(counter) + kSuffix;
}

unsigned long MakerOfTemporary(const std::wstring& name) {
  const std::size_t pid_at = sizeof kPrefix / sizeof kPrefix[0] - 1;
  const std::size_t pid_end = DigitsEnd(name, pid_at);
  if (!ReadsAt(name, 0, L"~quadrivo-") || pid_end == pid_at || pid_end >= name.size() ||
      name[pid_end] != L'-') {
    return 0;
  }
  const std::size_t counter_end = DigitsEnd(name, pid_end + 1);
  if (counter_end == pid_end + 1 || counter_end + 4 != name.size() ||
      !ReadsAt(name, counter_end, kSuffix)) {
    return 0;
  }
  unsigned long pid = 0;
  for (std::size_t at = pid_at; at < pid_end; ++at) pid = pid * 10 + (name[at] - L'0');
  return pid;
}

Status RefusalOfRename(Status probe) {
  return probe == kErrorSuccess || probe == kErrorSharingViolation ? kErrorSharingViolation
                                                                   : kErrorAccessDenied;
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
