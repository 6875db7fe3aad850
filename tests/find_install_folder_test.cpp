// Where a program is installed: the maker's key first, then the App Paths
// entry of its executable.
#include "update/find_install_folder.h"

#include <gtest/gtest.h>

#include <functional>

#include "fake/fake_platform.h"
#include "test_support.h"

namespace {

using fake::Platform;

const char kMakerKey[] = "SOFTWARE\\Brivanta\\Lindarex";
const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Lindarex.exe";

void Directory(const std::wstring& folder) {
  Platform().registry.SetString(kMakerKey, "Directory", folder);
}
void AppPath(const std::wstring& exe) { Platform().registry.SetString(kAppPaths, "", exe); }

struct Lookup {
  const char* name;
  std::function<void()> arrange;
  std::wstring expected;
  int keys_opened;
};

void PrintTo(const Lookup& c, std::ostream* os) { *os << c.name; }

const Lookup kLookups[] = {
    {"DirectoryGetsABackslash", [] { Directory(L"C:\\Lindarex"); }, L"C:\\Lindarex\\", 1},
    {"DirectoryEndingInBackslashGetsAnother", [] { Directory(L"C:\\Lindarex\\"); },
     L"C:\\Lindarex\\\\", 1},
    {"DirectoryWinsOverAppPaths",
     [] {
       Directory(L"C:\\Lindarex");
       AppPath(L"C:\\Altrove\\Lindarex.exe");
     },
     L"C:\\Lindarex\\", 1},
    {"EmptyDirectoryLetsAppPathsDecide",
     [] {
       Directory(L"");
       AppPath(L"C:\\Programmi\\Lindarex\\Lindarex.exe");
     },
     L"C:\\Programmi\\Lindarex\\", 2},
    {"ExpandSzDirectoryCountsAsMissing",
     [] {
       Platform().registry.SetValue(kMakerKey, "Directory", platform::kRegExpandSz,
                                    std::string("%ProgramFiles%\\Lindarex\0", 25));
       AppPath(L"C:\\Programmi\\Lindarex\\Lindarex.exe");
     },
     L"C:\\Programmi\\Lindarex\\", 2},
    {"AppPathsFolderOfTheExecutable", [] { AppPath(L"C:\\Programmi\\Lindarex\\Lindarex.exe"); },
     L"C:\\Programmi\\Lindarex\\", 1},
    {"AppPathsQuotedKeepsItsLeadingQuote",
     [] { AppPath(L"\"C:\\Programmi\\Lindarex\\Lindarex.exe\""); }, L"\"C:\\Programmi\\Lindarex\\",
     1},
    {"AppPathsFileNameOnly", [] { AppPath(L"Lindarex.exe"); }, L"", 1},
    {"AppPathsForwardSlashesOnly", [] { AppPath(L"C:/Programmi/Lindarex.exe"); }, L"", 1},
    {"NeitherEntry", [] {}, L"", 0},
};

class LookupTest : public testing::TestWithParam<Lookup> {};

TEST_P(LookupTest, FindsTheFolder) {
  test::StartProcess(L"");
  GetParam().arrange();
  EXPECT_EQ(FunzioniReg::FindInstallFolder(L"Lindarex"), GetParam().expected);
  EXPECT_EQ(Platform().registry.opens(), GetParam().keys_opened);
  EXPECT_EQ(Platform().registry.open_handles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Sources, LookupTest, testing::ValuesIn(kLookups),
                         [](const testing::TestParamInfo<Lookup>& info) {
                           return std::string(info.param.name);
                         });

TEST(FindInstallFolderTest, EmptyNameReadsTheMakerKeyItselfAndDotExe) {
  test::StartProcess(L"");
  Platform().registry.SetString("SOFTWARE\\Brivanta", "Directory", L"C:\\Brivanta");
  EXPECT_EQ(FunzioniReg::FindInstallFolder(L""), L"C:\\Brivanta\\");

  test::StartProcess(L"");
  Platform().registry.SetString("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\.exe", "",
                                L"C:\\Strano\\.exe");
  EXPECT_EQ(FunzioniReg::FindInstallFolder(L""), L"C:\\Strano\\");
  EXPECT_EQ(Platform().registry.opened_paths().count("SOFTWARE\\Brivanta\\"), 1u);
}

}  // namespace
