// When an installed file counts as the media's file already: the cases where
// skipping it would lose an update, and those where copying it is wasted.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "platform/copy_rules.h"
#include "platform/update_record.h"

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

// Only names of a run's own making are an update's files: another's file
// that merely looks like one stays.
TEST(OwnFileNameTest, MakerOfTemporariesAndKeptFiles) {
  struct Case {
    const wchar_t* name;
    unsigned long maker;
  };
  const Case cases[] = {
      {L"~Quadrivo-4294967295-7.tmp", 4294967295UL},
      {L"~quadrivo-12-1.OLD", 12},
      {L"~Quadrivo-4294967296-1.tmp", 0},  // more than a process id holds
      {L"~Quadrivo-12.tmp", 0},
      {L"~Quadrivo-12-1.tmp.bak", 0},
      {L"~Quadrivo--1.tmp", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::MakerOfTemporary(c.name), c.maker)
        << std::string(c.name, c.name + std::wcslen(c.name));
  }
}

// A record is trusted whole or not at all: one cut short, or naming a file
// outside its folder or not of a run's making, is refused.
TEST(UpdateRecordTest, DecodesOnlyWhatARunWrites) {
  const platform::UpdateRecord record{
      {{{L"Guida", L"img"}, L"logo.png", L"~Quadrivo-9-2.tmp", L""},
       {{}, L"Lindarex.exe", L"~Quadrivo-9-1.tmp", L"~Quadrivo-9-1.old"}},
      {{{L"Guida"}, L"img"}}};
  const std::string bytes = platform::Encode(record);
  platform::UpdateRecord read;
  ASSERT_TRUE(platform::Decode(bytes, &read));
  EXPECT_EQ(platform::Encode(read), bytes);
  EXPECT_FALSE(platform::Decode(bytes.substr(0, bytes.size() - 2), &read)) << "cut short";
  for (const platform::Replacement& bad :
       std::vector<platform::Replacement>{{{L".."}, L"x.htm", L"~Quadrivo-9-3.tmp", L""},
                                          {{}, L"..\\x.exe", L"~Quadrivo-9-3.tmp", L""},
                                          {{}, L"x.exe", L"appunti.txt", L""},
                                          {{}, L"x.exe", L"~Quadrivo-9-3.tmp", L"appunti.txt"}}) {
    EXPECT_FALSE(platform::Decode(platform::Encode({{bad}, {}}), &read));
  }
}

}  // namespace
