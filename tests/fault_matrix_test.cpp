// Whole runs with each platform call failing in turn: at every position of the
// run's sequence of calls, with every kind of error, once or from then on.
// After each run the promise must hold: one truthful message, every opened
// key closed, the media kept until the update completed, and a failure
// changes nothing at all. A call failing from then on stands for a crash
// there: the next run completes the update and leaves nothing of it, or,
// without the media, puts the installation back.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <map>

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

bool IsInstallation(const std::wstring& key) { return key.rfind(L"c:\\lindarex\\", 0) == 0; }

// Without the media, the next run puts the installation back as it was
// before the cut run, but for what a cut before the record leaves and the
// next copy into its folder removes: temporaries, and empty folders.
void PutBackWithoutMedia(const promise::DiskState& before, std::vector<std::string>& breaches) {
  const auto installation = [](const std::map<std::wstring, fake::FakeFile>& files) {
    std::map<std::wstring, fake::FakeFile> tree;
    for (const auto& file : files) {
      const bool temporary = file.first.find(L".tmp") != std::wstring::npos;
      if (IsInstallation(file.first) && !(temporary && promise::IsOwnFile(file.first))) {
        tree.insert(file);
      }
    }
    return tree;
  };
  if (installation(before.files) != installation(Platform().disk.Files()) ||
      promise::ReportedOutcome() != Outcome::kFailed) {
    breaches.push_back("without the media, the next run did not fail with the installation back");
  }
}

// The fault from then on stands for a crash at that call: nothing after it
// happens. The next run, with the media as the cut run left them, completes
// the update and leaves nothing of the cut run; the next run without media
// puts the old installation back.
void NextRunsAfterTheCut(const Installation& setup, const promise::DiskState& before,
                         std::vector<std::string>& breaches) {
  const bool completed = promise::ReportedOutcome() == Outcome::kCompleted;
  const fake::FakeDisk cut = Platform().disk;
  const bool media_left = cut.HasFile(L"D:\\Upd\\Lindarex.exe");
  fake::StartNextProcess();
  FunzioniReg::Main(Platform().command_line);
  const Outcome next = promise::ReportedOutcome();
  if (setup.outcome_without_faults != Outcome::kCompleted) {
    if (next != setup.outcome_without_faults) breaches.push_back("the next run did not do as ever");
  } else if (media_left && next != Outcome::kCompleted) {
    breaches.push_back("the next run with the same media did not complete");
  } else if (Platform().disk.Read(L"C:\\Lindarex\\Lindarex.exe") != test::kNewExe) {
    breaches.push_back("after the next run, the new executable is not installed");
  }
  for (const auto& file : Platform().disk.Files()) {
    if (promise::IsOwnFile(file.first)) breaches.push_back(test::Utf8(file.first) + " left");
  }
  if (completed || setup.outcome_without_faults != Outcome::kCompleted) return;
  Platform().disk = cut;
  Platform().disk.Remove(L"D:\\Upd\\Lindarex.exe");
  Platform().disk.Remove(L"D:\\Upd\\GuidaLindarex");
  fake::StartNextProcess();
  FunzioniReg::Main(Platform().command_line);
  PutBackWithoutMedia(before, breaches);
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

  const bool cut = fault.position > 0 && fault.from_then_on;
  std::vector<std::string> breaches = promise::Breaches(before, status, kNamedFolders, !cut);
  for (const std::string& b : InstallationBreaches(setup, media_had_help)) breaches.push_back(b);
  if (fault.position > 0 && !Platform().faults.fired()) {
    breaches.push_back("the fault was never injected");
  }
  // A failed update leaves the whole disk as it found it.
  const promise::DiskState after = promise::CaptureDisk();
  if (!cut && promise::ReportedOutcome() == Outcome::kFailed &&
      (after.files != before.files || after.folders != before.folders)) {
    breaches.push_back("failed, and the disk is not as it was");
  }
  if (cut) NextRunsAfterTheCut(setup, before, breaches);
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
