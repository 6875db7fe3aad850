// A registry that names the update media itself (or a folder inside its help
// folder) as the installation: the copy would land on the media's own files,
// and removing "the media's files" afterwards would remove the installed
// program. The file system refuses a file copied onto itself and a folder
// copied into itself, and the update asks once more before removing anything,
// so however the registry names the folder (another spelling, another drive
// letter, a short name, a junction, a hard link) the update fails, says so,
// and removes nothing.
#include <gtest/gtest.h>

#include "fake/fake_platform.h"
#include "test_support.h"
#include "update/main.h"
#include "update_promise.h"

namespace {

using fake::Platform;

const char kMakerKey[] = "SOFTWARE\\Brivanta\\Lindarex";
const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Lindarex.exe";

struct Spelling {
  const char* name;
  const char* key;
  const char* value_name;
  std::wstring value;
  std::wstring installed_exe;  // where the program would be installed, on the media
  std::string failed_copy;     // the source of the copy the message names
  // Another name for a folder or file of the media, when the setup has one.
  const wchar_t* alias = nullptr;
  const wchar_t* alias_of = nullptr;
  fake::AliasKind alias_kind = fake::AliasKind::kIdentity;
  // The check before removing the media finds the installation in them,
  // where the copies did not.
  bool only_the_check_sees_it = false;
};

void PrintTo(const Spelling& s, std::ostream* os) { *os << s.name; }

const char kExeCopy[] = "copiare \"D:\\Upd\\Lindarex.exe\"";
const char kHelpCopy[] = "copiare \"D:\\Upd\\GuidaLindarex\"";

const Spelling kSpellings[] = {
    {"MediaFolder", kMakerKey, "Directory", L"D:\\Upd", L"D:\\Upd\\Lindarex.exe", kExeCopy},
    {"MediaFolderInOtherCase", kMakerKey, "Directory", L"d:\\UPD", L"D:\\Upd\\Lindarex.exe",
     kExeCopy},
    {"MediaFolderWithTrailingBackslash", kMakerKey, "Directory", L"D:\\Upd\\",
     L"D:\\Upd\\Lindarex.exe", kExeCopy},
    {"MediaExecutableInAppPaths", kAppPaths, "", L"D:\\Upd\\Lindarex.exe", L"D:\\Upd\\Lindarex.exe",
     kExeCopy},
    {"InsideTheMediaHelpFolder", kMakerKey, "Directory", L"D:\\Upd\\GuidaLindarex",
     L"D:\\Upd\\GuidaLindarex\\Lindarex.exe", kHelpCopy},
    {"InsideTheMediaHelpFolderInOtherCase", kMakerKey, "Directory", L"D:\\UPD\\guidalindarex",
     L"D:\\Upd\\GuidaLindarex\\Lindarex.exe", kHelpCopy},
    {"MediaFolderBySecondDriveLetter", kMakerKey, "Directory", L"M:", L"D:\\Upd\\Lindarex.exe",
     kExeCopy, L"M:", L"D:\\Upd"},
    {"MediaFolderByShortName", kMakerKey, "Directory", L"D:\\UPD~1", L"D:\\Upd\\Lindarex.exe",
     kExeCopy, L"D:\\UPD~1", L"D:\\Upd"},
    {"JunctionToTheMediaFolder", kMakerKey, "Directory", L"C:\\Lindarex", L"D:\\Upd\\Lindarex.exe",
     kExeCopy, L"C:\\Lindarex", L"D:\\Upd"},
    {"HardLinkToTheMediaExecutable", kAppPaths, "", L"C:\\Lindarex\\Lindarex.exe",
     L"D:\\Upd\\Lindarex.exe", kExeCopy, L"C:\\Lindarex\\Lindarex.exe", L"D:\\Upd\\Lindarex.exe"},
    {"JunctionIntoTheMediaHelpFolder", kMakerKey, "Directory", L"C:\\Lindarex",
     L"D:\\Upd\\GuidaLindarex\\Lindarex.exe", kHelpCopy, L"C:\\Lindarex",
     L"D:\\Upd\\GuidaLindarex"},
    // Only the check before removing the media sees it.
    {"ShareThatTheCopiesMiss", kMakerKey, "Directory", L"C:\\Lindarex",
     L"C:\\Lindarex\\Lindarex.exe", kExeCopy, nullptr, nullptr, fake::AliasKind::kIdentity, true},
    // Nothing tells it is the media: the stamps match, and that is refused.
    {"ShareWithoutIdentity", kMakerKey, "Directory", L"\\\\PC\\Upd", L"D:\\Upd\\Lindarex.exe",
     kExeCopy, L"\\\\PC\\Upd", L"D:\\Upd", fake::AliasKind::kWithoutIdentity},
};

class MediaAsInstallationTest : public testing::TestWithParam<Spelling> {};

TEST_P(MediaAsInstallationTest, FailsAndRemovesNothing) {
  const Spelling& s = GetParam();
  test::StartProcess(L"D:\\Upd\\Lindarex");
  if (s.alias != nullptr) Platform().disk.AddAlias(s.alias, s.alias_of, s.alias_kind);
  if (s.only_the_check_sees_it) {
    Platform().disk.AddFolder(L"C:\\Lindarex");
    // Asked by the two copies first, then before the removal.
    Platform().disk.same_or_inside_answer = true;
    Platform().disk.same_or_inside_from = 3;
  }
  test::PutUpdateOnMedia(true);
  Platform().registry.SetString(s.key, s.value_name, s.value);
  const promise::DiskState before = promise::CaptureDisk();
  const std::string installed_before = Platform().disk.Read(s.installed_exe);

  const int status = FunzioniReg::Main(fake::Platform().command_line);

  for (const std::string& breach :
       promise::Breaches(before, status, {L"d:\\upd\\", L"c:\\lindarex\\"})) {
    ADD_FAILURE() << breach;
  }
  EXPECT_EQ(promise::ReportedOutcome(), promise::Outcome::kFailed);
  EXPECT_NE(test::Utf8(Platform().boxes.at(0).text).find(s.failed_copy), std::string::npos)
      << test::Utf8(Platform().boxes.at(0).text);
  EXPECT_EQ(Platform().disk.Read(s.installed_exe), installed_before) << "nothing installed";
  EXPECT_EQ(Platform().disk.Read(L"D:\\Upd\\Lindarex.exe"), test::kNewExe);
  EXPECT_EQ(Platform().disk.Read(L"D:\\Upd\\GuidaLindarex\\indice.htm"), "new help");
}

INSTANTIATE_TEST_SUITE_P(Spellings, MediaAsInstallationTest, testing::ValuesIn(kSpellings),
                         [](const testing::TestParamInfo<Spelling>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
