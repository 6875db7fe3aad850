// Whole runs with each platform call failing in turn: at every position of the
// run's sequence of calls, with every kind of error, once or from then on.
// After each run the promise must hold: the installed program is the old one
// or the new one, the media keep the update until it completed, one truthful
// message, and every opened key closed.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>

#include "fake/fake_platform.h"
#include "test_support.h"
#include "update/main.h"
#include "update_promise.h"

namespace {

using fake::Op;
using fake::Platform;
using promise::Outcome;

const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Lindarex.exe";
const std::vector<std::wstring> kNamedFolders = {L"c:\\lindarex\\", L"d:\\upd\\"};

struct Installation {
  const char* name;
  std::wstring command_line;
  std::function<void()> arrange;
  Outcome outcome_without_faults;
};

void PrintTo(const Installation& s, std::ostream* os) { *os << s.name; }

// Files of others, beside and inside the named folders, that no run may touch.
void PutBystanders() {
  Platform().disk.AddFile(L"C:\\Altro\\dati.txt", "dati di altri");
  Platform().disk.AddFile(L"C:\\Lindarex\\Archivio.mdb", "archivio");
  Platform().disk.AddFile(L"D:\\Upd\\Leggimi.txt", "leggimi");
}

void InstalledFilesOnly() {
  Platform().disk.AddFile(L"C:\\Lindarex\\Lindarex.exe", test::kOldExe);
  Platform().disk.AddFile(L"C:\\Lindarex\\Guida\\vecchia.htm", "old help");
}

const Installation kInstallations[] = {
    {"MakerKeyWithHelp", L"D:\\Upd\\Lindarex",
     [] {
       test::InstallLindarex();
       test::PutUpdateOnMedia(true);
     },
     Outcome::kCompleted},
    {"MakerKeyWithoutHelp", L"D:\\Upd\\Lindarex",
     [] {
       test::InstallLindarex();
       test::PutUpdateOnMedia(false);
     },
     Outcome::kCompleted},
    {"AppPathsWithHelp", L"D:\\Upd\\Lindarex",
     [] {
       Platform().registry.SetString(kAppPaths, "", L"C:\\Lindarex\\Lindarex.exe");
       InstalledFilesOnly();
       test::PutUpdateOnMedia(true);
     },
     Outcome::kCompleted},
    {"InstalledUnderAnotherDriveLetter", L"D:\\Upd\\Lindarex",
     [] {
       Platform().disk.AddAlias(L"I:", L"C:\\");
       Platform().registry.SetString("SOFTWARE\\Brivanta\\Lindarex", "Directory", L"I:\\Lindarex");
       InstalledFilesOnly();
       test::PutUpdateOnMedia(true);
     },
     Outcome::kCompleted},
    {"MediaUnderAnotherName", L"D:\\UPD~1\\Lindarex",
     [] {
       Platform().disk.AddAlias(L"D:\\UPD~1", L"D:\\Upd");
       test::InstallLindarex();
       test::PutUpdateOnMedia(true);
     },
     Outcome::kCompleted},
    // A run again after one that failed half-way: the new executable, already
    // installed, is running, and part of the help is in place too.
    {"RunningExecutableAlreadyInstalled", L"D:\\Upd\\Lindarex",
     [] {
       test::InstallLindarex();
       test::PutUpdateOnMedia(true);
       Platform().disk.AddCopyOf(L"C:\\Lindarex\\Lindarex.exe", L"D:\\Upd\\Lindarex.exe");
       Platform().disk.Hold(L"C:\\Lindarex\\Lindarex.exe");
       Platform().disk.AddCopyOf(L"C:\\Lindarex\\Guida\\img\\logo.png",
                                 L"D:\\Upd\\GuidaLindarex\\img\\logo.png");
     },
     Outcome::kCompleted},
    {"MediaWithoutExecutable", L"D:\\Upd\\Lindarex",
     [] {
       test::InstallLindarex();
       Platform().disk.AddFile(L"D:\\Upd\\GuidaLindarex\\indice.htm", "new help");
     },
     Outcome::kFailed},
    {"NotInstalled", L"D:\\Upd\\Lindarex", [] { test::PutUpdateOnMedia(true); },
     Outcome::kCancelled},
    {"PriceList", L"D:\\Upd\\Listino\\Prezzari",
     [] {
       test::InstallLindarex();
       Platform().disk.AddFile(L"D:\\Upd\\Listino\\Prezzari\\listino.dat", "prezzi");
     },
     Outcome::kPriceList},
    {"PriceListNotInstalled", L"D:\\Upd\\Listino\\Prezzari",
     [] { Platform().disk.AddFile(L"D:\\Upd\\Listino\\Prezzari\\listino.dat", "prezzi"); },
     Outcome::kPriceList},
};

struct Fault {
  int position;  // 0: none
  platform::Status error;
  bool from_then_on;
};

const platform::Status kErrors[] = {
    platform::kErrorAccessDenied,    platform::kErrorSharingViolation,
    platform::kErrorDiskFull,        platform::kErrorHandleDiskFull,
    platform::kErrorPathNotFound,    platform::kErrorFileNotFound,
    platform::kErrorNotEnoughMemory, platform::kErrorWriteProtect,
    platform::kErrorInvalidHandle,   platform::kErrorMoreData,
};

std::string Describe(const Installation& setup, const Fault& fault) {
  if (fault.position == 0) return std::string(setup.name) + ", no call failing";
  return std::string(setup.name) + ", call " + std::to_string(fault.position) +
         (fault.from_then_on ? " and every later call" : "") + " failing with error " +
         std::to_string(fault.error);
}

bool Failed(Op op) {
  const auto& failed = Platform().faults.failed_ops();
  return std::find(failed.begin(), failed.end(), op) != failed.end();
}

// A call of the update itself: any but the registry's and the media's
// removal's.
bool ACopyFailed() {
  const auto& failed = Platform().faults.failed_ops();
  return std::any_of(failed.begin(), failed.end(), [](Op op) {
    return op >= Op::kCreateFileSystem && op != Op::kDeleteChild && op != Op::kDeleteFolder;
  });
}

bool RegistryReadFailed() { return Failed(Op::kRegOpenKey) || Failed(Op::kRegQueryValue); }

// What this fixed installation and medium allow beyond the general promise:
// the installed executable is exactly the old or the new one, an update that
// says it completed installed everything it saw, and any outcome other than
// the fault-free one is explained by a call that failed.
std::vector<std::string> InstallationBreaches(const Installation& setup, bool media_had_help) {
  std::vector<std::string> breaches;
  const fake::FakeDisk& disk = Platform().disk;
  const std::wstring installed = L"C:\\Lindarex\\Lindarex.exe";
  const std::string exe = disk.Read(installed);
  if (disk.HasFile(installed) && exe != test::kOldExe && exe != test::kNewExe) {
    breaches.push_back("installed executable holds \"" + exe + "\"");
  }
  const Outcome outcome = promise::ReportedOutcome();
  if (outcome == Outcome::kCompleted) {
    if (exe != test::kNewExe) breaches.push_back("completed, but the old executable is installed");
    const bool help_seen = media_had_help && !Failed(Op::kFolderExists);
    if (help_seen && disk.Read(L"C:\\Lindarex\\Guida\\indice.htm") != "new help") {
      breaches.push_back("completed, but the new help is not installed");
    }
  }
  if (outcome == setup.outcome_without_faults) return breaches;
  const bool explained =
      (outcome == Outcome::kFailed && ACopyFailed()) ||
      ((outcome == Outcome::kCancelled || outcome == Outcome::kPriceList) && RegistryReadFailed());
  if (!explained) {
    breaches.push_back(std::string("reported ") + promise::OutcomeName(outcome) +
                       " with no failure to explain it");
  }
  return breaches;
}

// Runs the setup under the fault; true when the promise held.
bool RunHolds(const Installation& setup, const Fault& fault) {
  test::StartProcess(setup.command_line);
  PutBystanders();
  setup.arrange();
  const bool media_had_help = Platform().disk.HasFolder(L"D:\\Upd\\GuidaLindarex");
  if (fault.position > 0)
    Platform().faults.Fail(Op::kAny, fault.position, fault.error, fault.from_then_on);
  const promise::DiskState before = promise::CaptureDisk();

  const int status = FunzioniReg::Main(fake::Platform().command_line);

  std::vector<std::string> breaches = promise::Breaches(before, status, kNamedFolders);
  for (const std::string& b : InstallationBreaches(setup, media_had_help)) breaches.push_back(b);
  if (fault.position > 0 && !Platform().faults.fired()) {
    breaches.push_back("the fault was never injected");
  }
  for (const std::string& breach : breaches)
    ADD_FAILURE() << Describe(setup, fault) << ": " << breach;
  return breaches.empty();
}

// The number of platform calls of the run without faults, after checking
// that run itself.
int CallsWithoutFaults(const Installation& setup) {
  RunHolds(setup, Fault{0, platform::kErrorSuccess, false});
  EXPECT_EQ(promise::ReportedOutcome(), setup.outcome_without_faults) << setup.name;
  return Platform().faults.calls();
}

class FaultMatrixTest : public testing::TestWithParam<Installation> {};

TEST_P(FaultMatrixTest, EveryFailingCallKeepsThePromise) {
  const Installation& setup = GetParam();
  const int calls = CallsWithoutFaults(setup);
  ASSERT_GT(calls, 0);
  int runs = 1;
  int breaking_runs = 0;
  for (int position = 1; position <= calls; ++position) {
    for (const platform::Status error : kErrors) {
      for (const bool from_then_on : {false, true}) {
        if (!RunHolds(setup, Fault{position, error, from_then_on})) ++breaking_runs;
        ++runs;
        // One broken position tells the story; thousands of lines do not.
        ASSERT_LT(breaking_runs, 10) << "stopping " << setup.name << " after 10 breaking runs";
      }
    }
  }
  std::cout << "[ fault matrix ] " << setup.name << ": " << calls << " call positions, " << runs
            << " runs\n";
}

INSTANTIATE_TEST_SUITE_P(Setups, FaultMatrixTest, testing::ValuesIn(kInstallations),
                         [](const testing::TestParamInfo<Installation>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
