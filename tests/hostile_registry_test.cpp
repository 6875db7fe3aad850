// Registry data no installer of ours would write, as a damaged or tampered
// machine may hold it, met by the installation-folder lookup and by whole
// runs: any of it may make the program look not installed or make the copy
// fail, but never touch anything else or leave a key open.
#include <gtest/gtest.h>

#include <functional>

#include "fake/fake_platform.h"
#include "platform/code_page.h"
#include "test_support.h"
#include "update/find_install_folder.h"
#include "update/main.h"
#include "update_promise.h"

namespace {

using fake::Platform;
using promise::Outcome;

const char kMakerKey[] = "SOFTWARE\\Brivanta\\Lindarex";
const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Lindarex.exe";
const std::vector<std::wstring> kNamedFolders = {L"c:\\lindarex\\", L"d:\\upd\\"};
const std::string kMegabyte(1024 * 1024, 'x');

struct Hostile {
  std::string name;
  std::function<void()> arrange;  // registry only; the files are the same for every row
  std::wstring folder;            // what the lookup finds
  Outcome outcome;
  std::wstring program = L"Lindarex";
};

void PrintTo(const Hostile& h, std::ostream* os) { *os << h.name; }

void Directory(platform::RegType type, const std::string& bytes) {
  Platform().registry.SetValue(kMakerKey, "Directory", type, bytes);
}
void AppPath(platform::RegType type, const std::string& bytes) {
  Platform().registry.SetValue(kAppPaths, "", type, bytes);
}
std::string Terminated(const std::string& text) { return text + std::string(1, '\0'); }

void PutFiles(const std::wstring& program) {
  Platform().disk.AddFile(L"C:\\Lindarex\\" + program + L".exe", test::kOldExe);
  Platform().disk.AddFile(L"C:\\Lindarex\\Guida\\vecchia.htm", "old help");
  Platform().disk.AddFile(L"C:\\Lindarex\\Archivio.mdb", "archivio");
  Platform().disk.AddFile(L"C:\\Altro\\dati.txt", "dati di altri");
  Platform().disk.AddFile(L"D:\\Upd\\" + program + L".exe", test::kNewExe);
  Platform().disk.AddFile(L"D:\\Upd\\GuidaLindarex\\indice.htm", "new help");
}

// Every type a value can have besides a plain string, and one no registry
// defines.
const platform::RegType kOtherTypes[] = {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0xFFFFFFFFu};

std::vector<Hostile> TypeRows() {
  std::vector<Hostile> rows;
  for (const platform::RegType type : kOtherTypes) {
    const std::string t = std::to_string(type);
    rows.push_back({"DirectoryOfType" + t, [type] { Directory(type, Terminated("C:\\Lindarex")); },
                    L"", Outcome::kCancelled});
    rows.push_back({"AppPathOfType" + t,
                    [type] { AppPath(type, Terminated("C:\\Lindarex\\Lindarex.exe")); }, L"",
                    Outcome::kCancelled});
    rows.push_back({"DirectoryOfType" + t + "LeavesItToAppPaths",
                    [type] {
                      Directory(type, Terminated("C:\\Altro"));
                      AppPath(platform::kRegSz, Terminated("C:\\Lindarex\\Lindarex.exe"));
                    },
                    L"C:\\Lindarex\\", Outcome::kCompleted});
  }
  return rows;
}

std::vector<Hostile> ContentRows() {
  const std::wstring long_name(255, L'L');  // the longest name a registry key can have
  const std::wstring app_paths_name(251, L'A');
  return {
      {"DirectoryWithoutTerminatingNul", [] { Directory(platform::kRegSz, "C:\\Lindarex"); },
       L"C:\\Lindarex\\", Outcome::kCompleted},
      {"AppPathWithoutTerminatingNul",
       [] { AppPath(platform::kRegSz, "C:\\Lindarex\\Lindarex.exe"); }, L"C:\\Lindarex\\",
       Outcome::kCompleted},
      {"DirectoryWithNulInsideEndsThere",
       [] { Directory(platform::kRegSz, Terminated(std::string("C:\\Lindarex\0C:\\Altro", 21))); },
       L"C:\\Lindarex\\", Outcome::kCompleted},
      {"AppPathWithNulInsideEndsThere",
       [] {
         AppPath(platform::kRegSz,
                 Terminated(std::string("C:\\Lindarex\\Lindarex.exe\0\\C:\\Altro\\", 35)));
       },
       L"C:\\Lindarex\\", Outcome::kCompleted},
      {"DirectoryStartingWithNulIsEmpty",
       [] { Directory(platform::kRegSz, Terminated(std::string("\0C:\\Lindarex", 12))); }, L"",
       Outcome::kCancelled},
      {"MegabyteAfterTheNulIsIgnored",
       [] {
         Directory(platform::kRegSz, Terminated("C:\\Lindarex" + std::string(1, '\0') + kMegabyte));
       },
       L"C:\\Lindarex\\", Outcome::kCompleted},
      {"MegabyteDirectoryFailsTheCopy",
       [] { Directory(platform::kRegSz, Terminated("C:\\" + kMegabyte)); },
       L"C:\\" + std::wstring(kMegabyte.begin(), kMegabyte.end()) + L"\\", Outcome::kFailed},
      {"MegabyteAppPathKeepsItsFolder",
       [] { AppPath(platform::kRegSz, Terminated("C:\\Lindarex\\" + kMegabyte)); },
       L"C:\\Lindarex\\", Outcome::kCompleted},
      {"MegabyteWithoutNul", [] { AppPath(platform::kRegSz, kMegabyte + "\\Lindarex.exe"); },
       std::wstring(kMegabyte.begin(), kMegabyte.end()) + L"\\", Outcome::kFailed},
      // The ANSI functions hand back '?' for what the code page cannot hold,
      // and the bytes it leaves undefined as control characters: neither is a
      // folder.
      {"DirectoryOutsideTheCodePage",
       [] { Platform().registry.SetString(kMakerKey, "Directory", L"C:\\Lindarex\u4e2d"); },
       L"C:\\Lindarex?\\", Outcome::kFailed},
      {"DirectoryWithUndefinedCodePageBytes",
       [] { Directory(platform::kRegSz, Terminated("C:\\Lindarex\x81\x8d\x8f\x90\x9d")); },
       L"C:\\Lindarex\u0081\u008d\u008f\u0090\u009d\\", Outcome::kFailed},
      {"SizeReportedAsZero",
       [] {
         Directory(platform::kRegSz, Terminated("C:\\Lindarex"));
         Platform().registry.MisreportSize(kMakerKey, "Directory", 0);
       },
       L"", Outcome::kCancelled},
      {"SizeReportedAsFourGigabytes",
       [] {
         Directory(platform::kRegSz, Terminated("C:\\Lindarex"));
         Platform().registry.MisreportSize(kMakerKey, "Directory", 0xFFFFFFFFu);
       },
       L"", Outcome::kCancelled},
      {"SizeReportedLargerThanTheValue",
       [] {
         Directory(platform::kRegSz, Terminated("C:\\Lindarex"));
         Platform().registry.MisreportSize(kMakerKey, "Directory", 4096);
       },
       L"C:\\Lindarex\\", Outcome::kCompleted},
      {"MakerKeyOfTheLongestName",
       [long_name] {
         Platform().registry.SetString("SOFTWARE\\Brivanta\\" + platform::ToAnsi(long_name),
                                       "Directory", L"C:\\Lindarex");
       },
       L"C:\\Lindarex\\", Outcome::kCompleted, long_name},
      {"AppPathsKeyOfTheLongestName",
       [app_paths_name] {
         Platform().registry.SetString("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" +
                                           platform::ToAnsi(app_paths_name) + ".exe",
                                       "", L"C:\\Lindarex\\" + app_paths_name + L".exe");
       },
       L"C:\\Lindarex\\", Outcome::kCompleted, app_paths_name},
      // A name the code page cannot hold is looked up as "Lind?rex"; no such
      // key, so the program is not installed, and the message keeps the name
      // as the argument spelled it.
      {"ProgramNameOutsideTheCodePage",
       [] { Directory(platform::kRegSz, Terminated("C:\\Lindarex")); }, L"", Outcome::kCancelled,
       L"Lind\u0101rex"},
  };
}

std::vector<Hostile> AllRows() {
  std::vector<Hostile> rows = TypeRows();
  for (Hostile& row : ContentRows()) rows.push_back(std::move(row));
  return rows;
}

class HostileRegistryTest : public testing::TestWithParam<Hostile> {};

TEST_P(HostileRegistryTest, LookupFindsOnlyAPlainStringFolder) {
  const Hostile& row = GetParam();
  test::StartProcess(L"");
  row.arrange();
  EXPECT_EQ(test::Utf8(FunzioniReg::FindInstallFolder(row.program)), test::Utf8(row.folder));
  EXPECT_EQ(Platform().registry.open_handles(), 0u);
}

TEST_P(HostileRegistryTest, RunKeepsThePromise) {
  const Hostile& row = GetParam();
  test::StartProcess(L"D:\\Upd\\" + row.program);
  PutFiles(row.program);
  row.arrange();
  const promise::DiskState before = promise::CaptureDisk();

  const int status = FunzioniReg::Main(fake::Platform().command_line);

  for (const std::string& breach : promise::Breaches(before, status, kNamedFolders)) {
    ADD_FAILURE() << breach;
  }
  ASSERT_EQ(promise::ReportedOutcome(), row.outcome);
  const std::wstring& text = Platform().boxes[0].text;
  if (row.outcome == Outcome::kFailed) {
    EXPECT_NE(text.find(L"\"" + row.folder + row.program + L".exe\""), std::wstring::npos)
        << "names the destination the registry gave";
  } else {
    EXPECT_NE(text.find(L"\"" + row.program + L"\""), std::wstring::npos) << "names the program";
  }
  const std::string installed = Platform().disk.Read(L"C:\\Lindarex\\" + row.program + L".exe");
  EXPECT_EQ(installed, row.outcome == Outcome::kCompleted ? test::kNewExe : test::kOldExe);
}

INSTANTIATE_TEST_SUITE_P(Values, HostileRegistryTest, testing::ValuesIn(AllRows()),
                         [](const testing::TestParamInfo<Hostile>& info) {
                           return info.param.name;
                         });

}  // namespace
