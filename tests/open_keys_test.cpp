// The open-key table: every key opened is named by its full path from the
// root, and handles the platform reuses keep one slot.
#include "registry/open_keys.h"

#include <gtest/gtest.h>

#include "fake/fake_platform.h"
#include "registry/registry_reading.h"
#include "test_support.h"

namespace {

using fake::Platform;
using namespace FunzioniReg;

TEST(OpenKeysTest, RootNames) {
  test::StartProcess(L"");
  EXPECT_EQ(KeyName(platform::kHkeyClassesRoot), L"HKEY_CLASSES_ROOT");
  EXPECT_EQ(KeyName(platform::kHkeyCurrentUser), L"HKEY_CURRENT_USER");
  EXPECT_EQ(KeyName(platform::kHkeyLocalMachine), L"HKEY_LOCAL_MACHINE");
  EXPECT_EQ(KeyName(platform::kHkeyUsers), L"HKEY_USERS");
  EXPECT_EQ(KeyName(platform::kHkeyCurrentConfig), L"") << "no name unless remembered";
  EXPECT_EQ(RootKeyName(0x1234), L"");
  RememberKey(platform::kHkeyCurrentConfig, L"config");
  EXPECT_EQ(KeyName(platform::kHkeyCurrentConfig), L"config");
}

TEST(OpenKeysTest, TableStartsEmptyAndGrowsBySlot) {
  test::StartProcess(L"");
  EXPECT_EQ(FindKeyEntry(0x10), -1);
  RememberKey(0x10, L"a");
  EXPECT_EQ(FindKeyEntry(0x10), 0);
  RememberKey(0x20, L"b");
  EXPECT_EQ(FindKeyEntry(0x20), 1);
  RememberKey(0x10, L"c");
  EXPECT_EQ(OpenKeys.size(), 2u) << "a known handle keeps its slot";
  EXPECT_EQ(KeyName(0x10), L"c");
  EXPECT_EQ(KeyName(0x30), L"");
}

TEST(OpenKeysTest, OpenKeyNamesTheKeyFromItsParent) {
  test::StartProcess(L"");
  Platform().registry.AddKey("SOFTWARE\\Brivanta\\Lindarex\\Moduli");
  platform::RegHandle lindarex = 0;
  ASSERT_TRUE(OpenKey(platform::kHkeyLocalMachine, L"SOFTWARE\\Brivanta\\Lindarex", lindarex));
  EXPECT_EQ(KeyName(lindarex), L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brivanta\\Lindarex");

  platform::RegHandle moduli = 0;
  ASSERT_TRUE(OpenKey(lindarex, L"Moduli", moduli));
  EXPECT_NE(moduli, lindarex);
  EXPECT_EQ(KeyName(moduli), L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brivanta\\Lindarex\\Moduli");
  CloseKey(moduli);
  CloseKey(lindarex);
  EXPECT_EQ(OpenKeys.size(), 2u) << "closing leaves the slots";
}

TEST(OpenKeysTest, UnnamedParentGivesAPathStartingWithTheBackslash) {
  test::StartProcess(L"");
  Platform().registry.AddKey("SOFTWARE\\Brivanta\\Lindarex");
  platform::RegHandle software = 0;
  ASSERT_TRUE(OpenKey(platform::kHkeyLocalMachine, L"SOFTWARE", software));
  OpenKeys.clear();  // the parent's name is forgotten
  platform::RegHandle brivanta = 0;
  ASSERT_TRUE(OpenKey(software, L"Brivanta", brivanta));
  EXPECT_EQ(KeyName(brivanta), L"\\Brivanta");
}

TEST(OpenKeysTest, ReusedHandleValueTakesTheNewPath) {
  test::StartProcess(L"");
  Platform().registry.AddKey("SOFTWARE\\A");
  Platform().registry.AddKey("SOFTWARE\\B");
  platform::RegHandle first = 0;
  ASSERT_TRUE(OpenKey(platform::kHkeyLocalMachine, L"SOFTWARE\\A", first));
  CloseKey(first);
  Platform().registry.ReuseHandle(first);
  platform::RegHandle second = 0;
  ASSERT_TRUE(OpenKey(platform::kHkeyLocalMachine, L"SOFTWARE\\B", second));
  EXPECT_EQ(second, first);
  EXPECT_EQ(OpenKeys.size(), 1u);
  EXPECT_EQ(KeyName(second), L"HKEY_LOCAL_MACHINE\\SOFTWARE\\B");
}

TEST(OpenKeysTest, FailedOpenRecordsNothingAndPathIsTheConvertedOne) {
  test::StartProcess(L"");
  platform::RegHandle handle = 0;
  EXPECT_FALSE(OpenKey(platform::kHkeyLocalMachine, L"SOFTWARE\\Assente", handle));
  EXPECT_TRUE(OpenKeys.empty());
  Platform().registry.AddKey("SOFTWARE\\L?");
  ASSERT_TRUE(OpenKey(platform::kHkeyLocalMachine, L"SOFTWARE\\L\u4e00", handle));
  EXPECT_EQ(KeyName(handle), L"HKEY_LOCAL_MACHINE\\SOFTWARE\\L?");
  CloseKey(handle);
}

}  // namespace
