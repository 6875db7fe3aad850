// The fake registry must answer as the Win32 functions do, or the tests of
// the registry reading prove nothing.
#include <gtest/gtest.h>

#include "fake/fake_platform.h"
#include "platform/code_page.h"
#include "test_support.h"

namespace {

using fake::Platform;

TEST(FakeRegistryTest, AnswersAsTheWin32Functions) {
  test::StartProcess(L"");
  Platform().registry.SetValue("SOFTWARE\\K", "V", platform::kRegSz, std::string("abc\0", 4));
  platform::RegHandle key = 0;
  ASSERT_EQ(platform::RegOpenKeyA(platform::kHkeyLocalMachine, "software\\k", &key), 0)
      << "names compare without regard to case";
  platform::RegHandle again = 0;
  ASSERT_EQ(platform::RegOpenKeyA(platform::kHkeyLocalMachine, "SOFTWARE\\K", &again), 0);
  EXPECT_NE(key, again) << "every open gives a distinct handle";

  platform::RegType type = 0;
  std::uint32_t size = 0;
  EXPECT_EQ(platform::RegQueryValueExA(key, "v", &type, nullptr, &size), 0);
  EXPECT_EQ(type, platform::kRegSz);
  EXPECT_EQ(size, 4u);
  char buffer[4];
  size = 2;
  EXPECT_EQ(platform::RegQueryValueExA(key, "V", &type, buffer, &size), platform::kErrorMoreData);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(platform::RegQueryValueExA(key, "V", &type, buffer, &size), 0);
  EXPECT_EQ(std::string(buffer, 4), std::string("abc\0", 4));
  EXPECT_EQ(platform::RegQueryValueExA(key, "W", &type, nullptr, &size),
            platform::kErrorFileNotFound);

  platform::RegHandle missing = 0;
  EXPECT_EQ(platform::RegOpenKeyA(key, "Sotto", &missing), platform::kErrorFileNotFound);
  EXPECT_EQ(Platform().registry.open_handles(), 2u);
  EXPECT_EQ(platform::RegCloseKey(key), 0);
  EXPECT_EQ(platform::RegCloseKey(again), 0);
  EXPECT_EQ(platform::RegCloseKey(again), platform::kErrorInvalidHandle);
  EXPECT_EQ(platform::RegQueryValueExA(key, "V", &type, nullptr, &size),
            platform::kErrorInvalidHandle);
}

TEST(FakeRegistryTest, PredefinedRootsAreSignExtended) {
  EXPECT_EQ(static_cast<std::uint32_t>(platform::kHkeyLocalMachine), 0x80000002u);
  EXPECT_LT(platform::kHkeyLocalMachine, 0) << "as a 64-bit HKEY holds it";
}

TEST(FakeCodePageTest, MapsWindows1252AndReplacesTheRest) {
  EXPECT_EQ(platform::ToAnsi(L"\u00e8\u20ac\u0100A"), "\xe8\x80?A");
  EXPECT_EQ(platform::FromAnsi("\xe8\x80\x81"), L"\u00e8\u20ac\u0081");
  EXPECT_EQ(platform::FromAnsi(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}

}  // namespace
