// When an installed file counts as the media's file already: the cases where
// skipping it would lose an update, and those where copying it is wasted.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "platform/copy_rules.h"

namespace {

using platform::FileStamp;

constexpr std::uint64_t kSecond = 10000000;
constexpr std::uint64_t kTime = 13300000000 * kSecond;  // some day in 2022

TEST(FileStampTest, SameSizeAndTimeWithinTheCoarserVolumesSteps) {
  struct Case {
    const char* what;
    FileStamp installed;
    bool two_second_times;
    bool in_place;
  };
  const FileStamp media{102400, kTime};
  const Case cases[] = {
      {"identical", {102400, kTime}, false, true},
      {"one byte longer", {102401, kTime}, false, false},
      {"one byte longer on FAT", {102401, kTime}, true, false},
      {"100 ns older", {102400, kTime - 1}, false, false},
      {"100 ns newer", {102400, kTime + 1}, false, false},
      {"rounded up to 2 s on FAT", {102400, kTime + 2 * kSecond}, true, true},
      {"rounded down on FAT", {102400, kTime - 2 * kSecond}, true, true},
      {"beyond 2 s on FAT", {102400, kTime + 2 * kSecond + 1}, true, false},
      {"1 s apart on NTFS", {102400, kTime + kSecond}, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::IsAlreadyInPlace(media, c.installed, c.two_second_times), c.in_place)
        << c.what;
  }
  // Seen from the earlier time as well: the distance counts, not its sign.
  EXPECT_TRUE(platform::IsAlreadyInPlace(FileStamp{1, 0}, FileStamp{1, 2 * kSecond}, true));
}

TEST(FileStampTest, TwoSecondTimesByFileSystemName) {
  struct Case {
    const wchar_t* name;
    bool two_second_times;
  };
  const Case cases[] = {
      {L"FAT", true},   {L"FAT32", true},   {L"exFAT", true}, {L"EXFAT", true}, {L"fat32", true},
      {L"NTFS", false}, {L"ReFS", false},   {L"CDFS", false}, {L"UDF", false},  {L"", false},
      {L"FAT3", false}, {L"FAT321", false}, {L"VFAT", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::KeepsTwoSecondTimes(c.name), c.two_second_times)
        << std::string(c.name, c.name + std::wcslen(c.name));
  }
}

}  // namespace
