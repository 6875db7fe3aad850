// The update transfer: copies first, and the media's files are removed only
// once every copy has succeeded; each failure point leaves a state from which
// the same update can simply be run again.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "fake/fake_platform.h"
#include "test_support.h"
#include "update/main.h"
#include "update_promise.h"

namespace {

using fake::Op;
using fake::Platform;

// The run's copies and deletions, in order; not the questions it asked.
std::vector<std::string> Changes() {
  std::vector<std::string> changes;
  for (const std::wstring& entry : Platform().disk.log()) {
    const std::string text = test::Utf8(entry);
    for (const char* change : {"WriteBeside", "WriteRecord", "Rename", "MakeDurable", "Delete"}) {
      if (text.rfind(change, 0) == 0) changes.push_back(text);
    }
  }
  return changes;
}

// The second line of a failed update's message, by the cause of the failure.
const char kInUse[] = u8"Chiudere \"Lindarex\" se è aperto e ripetere l'aggiornamento";
const char kNoSpace[] = "Liberare spazio sul disco e ripetere l'aggiornamento";
const char kNoPermission[] = "Ripetere l'aggiornamento come amministratore";
const char kNoPermissionFromShare[] =
    u8"Ripetere l'aggiornamento come amministratore, avviandolo dal percorso di rete "
    u8"(\\\\server\\cartella\\...) anziché da una lettera di unità di rete";
const char kRetry[] = "Ripetere l'aggiornamento";
const char kProtected[] =
    u8"Il file è protetto anche per l'amministratore; rivolgersi a chi gestisce questo computer "
    u8"e ripetere l'aggiornamento";
const char kCertificateNotTrusted[] =
    u8"Il certificato con cui il produttore ha firmato il nuovo programma non è riconosciuto come "
    u8"attendibile da questo computer; rivolgersi a chi gestisce questo computer";
const char kNotSigned[] =
    "Il nuovo programma non reca la firma digitale del produttore; richiedere al fornitore un "
    "aggiornamento integro";

std::string FailedMessage(const std::string& source, const std::string& destination,
                          const std::string& advice) {
  return u8"AGGIORNAMENTO NON RIUSCITO: non è stato possibile copiare \"" + source + "\" in \"" +
         destination + "\".\r\n" + advice + ": i file dell'aggiornamento non sono stati rimossi.";
}

std::string ExeCopyFailed(const std::string& advice) {
  return FailedMessage("D:\\Upd\\Lindarex.exe", "C:\\Lindarex\\Lindarex.exe", advice);
}

std::string HelpCopyFailed(const std::string& advice) {
  return FailedMessage("D:\\Upd\\GuidaLindarex", "C:\\Lindarex\\Guida", advice);
}

const char kCompleted[] = u8"L'Aggiornamento di \"Lindarex\" è stato regolarmente eseguito.";

int RunUpdate() {
  const int status = FunzioniReg::Main(fake::Platform().command_line);
  EXPECT_EQ(Platform().boxes.size(), 1u);
  return status;
}

std::string Message() { return test::Utf8(Platform().boxes.at(0).text); }

class TransferTest : public testing::Test {
 protected:
  void SetUp() override {
    test::StartProcess(L"D:\\Upd\\Lindarex");
    test::InstallLindarex();
  }
  fake::FakeDisk& disk() { return Platform().disk; }
};

TEST_F(TransferTest, CompletedUpdateReplacesThenRemovesTheMediaFiles) {
  test::PutUpdateOnMedia();
  EXPECT_EQ(RunUpdate(), 0);
  EXPECT_EQ(Message(), kCompleted);
  EXPECT_EQ(Changes(), (std::vector<std::string>{
                           // Every new file written, replacing nothing,
                           "WriteBeside c:\\lindarex\\~quadrivo-4000-1.tmp",
                           "WriteBeside c:\\lindarex\\guida\\~quadrivo-4000-2.tmp",
                           "WriteBeside c:\\lindarex\\guida\\img\\~quadrivo-4000-3.tmp",
                           // then the record, written through to the disk,
                           "WriteRecord c:\\lindarex\\~quadrivo-4000.pending",
                           // then each in place, the old file kept aside,
                           "Rename c:\\lindarex\\lindarex.exe to ~Quadrivo-4000-1.old",
                           "Rename c:\\lindarex\\~quadrivo-4000-1.tmp to lindarex.exe",
                           "Rename c:\\lindarex\\guida\\~quadrivo-4000-2.tmp to indice.htm",
                           "Rename c:\\lindarex\\guida\\img\\~quadrivo-4000-3.tmp to logo.png",
                           // then the record says done, on the disk with every rename,
                           "Rename c:\\lindarex\\~quadrivo-4000.pending to ~Quadrivo-4000.done",
                           "MakeDurable c:\\lindarex\\~quadrivo-4000.done",
                           // and only then goes anything: the old files, the record, the media.
                           "DeleteOwn c:\\lindarex\\~quadrivo-4000-1.old",
                           "DeleteOwn c:\\lindarex\\~quadrivo-4000.done",
                           "DeleteChild d:\\upd\\guidalindarex\\img\\logo.png",
                           "DeleteFolder d:\\upd\\guidalindarex\\img",
                           "DeleteChild d:\\upd\\guidalindarex\\indice.htm",
                           "DeleteFolder d:\\upd\\guidalindarex",
                           // The executable last: media tidied half-way can be run again.
                           "DeleteChild d:\\upd\\lindarex.exe",
                       }));
  EXPECT_EQ(disk().Read(L"C:\\Lindarex\\Lindarex.exe"), test::kNewExe);
  EXPECT_EQ(disk().Read(L"C:\\Lindarex\\Guida\\indice.htm"), "new help");
  EXPECT_EQ(disk().Read(L"C:\\Lindarex\\Guida\\img\\logo.png"), "logo");
  EXPECT_EQ(disk().Read(L"C:\\Lindarex\\Guida\\vecchia.htm"), "old help") << "other files stay";
  EXPECT_FALSE(disk().HasFile(L"D:\\Upd\\Lindarex.exe"));
  EXPECT_FALSE(disk().HasFolder(L"D:\\Upd\\GuidaLindarex"));
  EXPECT_EQ(Platform().file_systems_created, 1) << "one service, reused";
}

TEST_F(TransferTest, MissingHelpFolderIsSkippedWithoutAWord) {
  test::PutUpdateOnMedia(/*with_help_folder=*/false);
  EXPECT_EQ(RunUpdate(), 0);
  EXPECT_EQ(Message(), kCompleted);
  for (const std::string& change : Changes()) {
    EXPECT_EQ(change.find("guida"), std::string::npos) << "no help asked for: " << change;
  }
  EXPECT_EQ(disk().Read(L"C:\\Lindarex\\Lindarex.exe"), test::kNewExe);
}

// Each point at which the transfer can fail, and what must then hold.
struct FailurePoint {
  const char* name;
  Op op;
  platform::Status error;
  int exit_status;
  std::string message;
  const char* installed_exe;
  bool media_kept;
  // Who holds the file, as the system names them: a held file names them,
  // but the running program holding its own executable, unless another
  // user's copy does.
  std::vector<platform::FileHolder> holders = {};
  int nth = 1;  // which call of op fails
  // A refusal in a run without administrator rights is handed over before
  // anything changed; an elevated run reports it.
  bool elevated = false;
};

void PrintTo(const FailurePoint& c, std::ostream* os) { *os << c.name; }

const FailurePoint kFailurePoints[] = {
    {"ExecutableInUse", Op::kRename, platform::kErrorSharingViolation, 2, ExeCopyFailed(kInUse),
     test::kOldExe, true},
    {"ExecutableLocked", Op::kRename, platform::kErrorLockViolation, 2, ExeCopyFailed(kInUse),
     test::kOldExe, true},
    {"DiskFull", Op::kWriteBeside, platform::kErrorDiskFull, 2, ExeCopyFailed(kNoSpace),
     test::kOldExe, true},
    {"HandleDiskFull", Op::kWriteBeside, platform::kErrorHandleDiskFull, 2, ExeCopyFailed(kNoSpace),
     test::kOldExe, true},
    {"WriteProtected", Op::kWriteBeside, platform::kErrorWriteProtect, 2, ExeCopyFailed(kRetry),
     test::kOldExe, true},
    {"SameFileUnderAnotherName", Op::kWriteBeside, platform::kErrorInvalidParameter, 2,
     ExeCopyFailed(kRetry), test::kOldExe, true},
    {"NotThePublishersProgram", Op::kWriteBeside, platform::kErrorNotPublishers, 2,
     ExeCopyFailed(kNotSigned), test::kOldExe, true},
    {"PublishersCertificateNotTrustedHere", Op::kWriteBeside,
     platform::kErrorPublisherNotTrustedHere, 2, ExeCopyFailed(kCertificateNotTrusted),
     test::kOldExe, true},
    // A second run of the update at once (a double click) waits its turn by
    // failing, before anything changed.
    {"AnotherRunHoldsTheUpdate", Op::kLockUpdate, platform::kErrorBusy, 2, ExeCopyFailed(kRetry),
     test::kOldExe, true},
    {"NoFileSystemService", Op::kCreateFileSystem, platform::kErrorNotEnoughMemory, 2,
     ExeCopyFailed(kRetry), test::kOldExe, true},
    // A help page another program holds is found once the executable is
    // in place (the third rename: the old executable aside, the new one in
    // its place, then the page), and the executable goes back.
    {"HelpFolderInUse",
     Op::kRename,
     platform::kErrorSharingViolation,
     2,
     HelpCopyFailed(kInUse),
     test::kOldExe,
     true,
     {},
     3},
    {"HelpPageHeldByTheViewer",
     Op::kRename,
     platform::kErrorSharingViolation,
     2,
     HelpCopyFailed(u8"Il file è in uso da \"Microsoft® HTML Help Executable\"; chiudere il "
                    u8"programma e ripetere l'aggiornamento"),
     test::kOldExe,
     true,
     {{L"Microsoft\u00ae HTML Help Executable", false}},
     3},
    {"HelpPageHeldByFour",
     Op::kRename,
     platform::kErrorSharingViolation,
     2,
     HelpCopyFailed(u8"Il file è in uso da \"A\", \"B\", \"C\" e altri; chiudere i programmi e "
                    u8"ripetere l'aggiornamento"),
     test::kOldExe,
     true,
     {{L"A", false}, {L"B", false}, {L"C", false}, {L"D", false}},
     3},
    {"ExecutableHeldByTheRunningProgram",
     Op::kRename,
     platform::kErrorSharingViolation,
     2,
     ExeCopyFailed(kInUse),
     test::kOldExe,
     true,
     {{L"Lindarex", false}}},
    {"ExecutableHeldByAnotherUsersProgram",
     Op::kRename,
     platform::kErrorSharingViolation,
     2,
     ExeCopyFailed(u8"Il file è in uso da \"Lindarex\" e \"Lindarex\" (di un altro utente); "
                   u8"chiudere i programmi e ripetere l'aggiornamento"),
     test::kOldExe,
     true,
     {{L"Lindarex", false}, {L"Lindarex", true}}},
    {"HelpFolderDriveFull",
     Op::kWriteBeside,
     platform::kErrorDiskFull,
     2,
     HelpCopyFailed(kNoSpace),
     test::kOldExe,
     true,
     {},
     2},
    {"HelpFolderRefused",
     Op::kWriteBeside,
     platform::kErrorAccessDenied,
     2,
     HelpCopyFailed(kProtected),
     test::kOldExe,
     true,
     {},
     2,
     true},
    {"HelpFolderCopyStopsPartWay",
     Op::kWriteBeside,
     platform::kErrorDiskFull,
     2,
     HelpCopyFailed(kNoSpace),
     test::kOldExe,
     true,
     {},
     3},
    {"HelpSubfolderUnreadable",
     Op::kOpenChildFolder,
     platform::kErrorAccessDenied,
     2,
     HelpCopyFailed(kProtected),
     test::kOldExe,
     true,
     {},
     2,
     true},
    // Whether there is a help to install is not guessed.
    {"HelpFolderUnreachable", Op::kFolderExists, 53 /* ERROR_BAD_NETPATH */, 2,
     HelpCopyFailed(kRetry), test::kOldExe, true},
    // The media's removal: the help's two files, then the executable.
    {"MediaExecutableNotDeleted",
     Op::kDeleteChild,
     platform::kErrorWriteProtect,
     0,
     kCompleted,
     test::kNewExe,
     false,
     {},
     3},
    {"MediaHelpNotDeleted",
     Op::kDeleteFolder,
     platform::kErrorWriteProtect,
     0,
     kCompleted,
     test::kNewExe,
     false,
     {},
     2},
    {"MediaHelpFileNotDeleted", Op::kDeleteChild, platform::kErrorSharingViolation, 0, kCompleted,
     test::kNewExe, false},
};

class TransferFailureTest : public TransferTest,
                            public testing::WithParamInterface<FailurePoint> {};

TEST_P(TransferFailureTest, KeepsTheMediaUnlessEveryCopySucceeded) {
  const FailurePoint& point = GetParam();
  test::PutUpdateOnMedia();
  Platform().faults.Fail(point.op, point.nth, point.error);
  Platform().holders = point.holders;
  Platform().elevated = point.elevated;
  const promise::DiskState before = promise::CaptureDisk();

  EXPECT_EQ(RunUpdate(), point.exit_status);
  EXPECT_EQ(Message(), point.message);
  EXPECT_EQ(disk().Read(L"C:\\Lindarex\\Lindarex.exe"), point.installed_exe);
  EXPECT_EQ(disk().Read(L"D:\\Upd\\Lindarex.exe"), test::kNewExe)
      << "whatever fails, the media keep their program while anything else is left";
  if (point.media_kept) {
    EXPECT_EQ(disk().Read(L"D:\\Upd\\Lindarex.exe"), test::kNewExe);
    EXPECT_EQ(disk().Read(L"D:\\Upd\\GuidaLindarex\\indice.htm"), "new help");
    for (const std::string& entry : Changes()) {
      EXPECT_EQ(entry.find(" d:\\"), std::string::npos) << "nothing removed from the media";
    }
  }
  if (point.exit_status == 2) {
    EXPECT_EQ(promise::CaptureDisk().files, before.files) << "a failure changes nothing";
    EXPECT_EQ(promise::CaptureDisk().folders, before.folders);
  }
}

INSTANTIATE_TEST_SUITE_P(Points, TransferFailureTest, testing::ValuesIn(kFailurePoints),
                         [](const testing::TestParamInfo<FailurePoint>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(TransferTest, MissingMediaExecutableStopsEverything) {
  disk().AddFile(L"D:\\Upd\\GuidaLindarex\\indice.htm", "new help");
  EXPECT_EQ(RunUpdate(), 2);
  EXPECT_EQ(Message(), ExeCopyFailed(kRetry));
  EXPECT_TRUE(Changes().empty()) << "nothing copied or deleted";
  EXPECT_TRUE(disk().HasFolder(L"D:\\Upd\\GuidaLindarex"));
}

TEST_F(TransferTest, ReadOnlyMediaLikeADiscStillCompletes) {
  disk().AddFile(L"D:\\Upd\\Lindarex.exe", test::kNewExe, /*read_only=*/true);
  disk().AddFile(L"D:\\Upd\\GuidaLindarex\\indice.htm", "new help", /*read_only=*/true);
  EXPECT_EQ(RunUpdate(), 0);
  EXPECT_EQ(Message(), kCompleted);
  EXPECT_EQ(disk().Read(L"C:\\Lindarex\\Lindarex.exe"), test::kNewExe);
  EXPECT_TRUE(disk().HasFile(L"D:\\Upd\\Lindarex.exe"));
  EXPECT_TRUE(disk().HasFile(L"D:\\Upd\\GuidaLindarex\\indice.htm"));
  EXPECT_FALSE(disk().Files().at(L"c:\\lindarex\\lindarex.exe").read_only)
      << "the installed copy stays replaceable by the next update";
}

TEST(AppPathsTransferTest, ProgramGetsTheLindarexHelpFolder) {
  test::StartProcess(L"D:\\Upd\\Zembrolasi");
  Platform().registry.SetString(
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Zembrolasi.exe", "",
      L"C:\\Prog\\Zembrolasi.exe");
  Platform().disk.AddFile(L"C:\\Prog\\Zembrolasi.exe", "old");
  Platform().disk.AddFile(L"D:\\Upd\\Zembrolasi.exe", "new");
  Platform().disk.AddFile(L"D:\\Upd\\GuidaLindarex\\z.htm", "help");

  EXPECT_EQ(RunUpdate(), 0);
  EXPECT_EQ(Message(), u8"L'Aggiornamento di \"Zembrolasi\" è stato regolarmente eseguito.");
  EXPECT_EQ(Platform().disk.Read(L"C:\\Prog\\Zembrolasi.exe"), "new");
  EXPECT_EQ(Platform().disk.Read(L"C:\\Prog\\Guida\\z.htm"), "help");
}

// The process's standing decides what a refused copy leads to: a run without
// administrator rights hands the update, before it has changed anything, to an
// elevated run of itself, whose box and status are the only ones; an elevated
// run never hands over; an unattended run shows no box at all. The media are
// removed by the run of the user who started the update, but for an
// elevated run started directly, which has nobody to hand them back to.
enum class RemovedBy { kNobody, kUsersRun, kElevatedRun };

struct Standing {
  const char* name;
  std::function<void()> arrange;
  int exit_status;
  std::string message;  // empty: no box
  std::size_t elevated_runs;
  const char* installed_exe;
  RemovedBy removed_by = RemovedBy::kNobody;
};

void PrintTo(const Standing& s, std::ostream* os) { *os << s.name; }

void ExeCopyRefused(bool also_elevated) {
  Platform().faults.Fail(Op::kWriteBeside, 1, platform::kErrorAccessDenied, also_elevated);
}

const Standing kStandings[] = {
    {"RefusedThenTheElevatedRunCompletes", [] { ExeCopyRefused(false); }, 0, kCompleted, 1,
     test::kNewExe, RemovedBy::kUsersRun},
    {"ElevatedFromTheStart", [] { Platform().elevated = true; }, 0, kCompleted, 0, test::kNewExe,
     RemovedBy::kElevatedRun},
    {"ElevatedRunEndedFromOutside",
     [] {
       ExeCopyRefused(false);
       Platform().elevated_run_ends_with = 1;
     },
     2, "", 1, test::kOldExe},
    {"RefusedInTheElevatedRunToo", [] { ExeCopyRefused(true); }, 2, ExeCopyFailed(kProtected), 1,
     test::kOldExe},
    {"ElevationDeclined",
     [] {
       ExeCopyRefused(false);
       Platform().elevation_answer = platform::kErrorCancelled;
     },
     2, ExeCopyFailed(kNoPermission), 1, test::kOldExe},
    {"ElevationCouldNotStart",
     [] {
       ExeCopyRefused(false);
       Platform().elevation_answer = platform::kErrorFileNotFound;
     },
     2, ExeCopyFailed(kNoPermission), 1, test::kOldExe},
    {"AlreadyElevated",
     [] {
       ExeCopyRefused(false);
       Platform().elevated = true;
     },
     2, ExeCopyFailed(kProtected), 0, test::kOldExe},
    // Nothing is replaced before every new file is written: a help folder
    // refused is handed over as the executable is.
    {"HelpRefusedIsHandedOverToo",
     [] { Platform().faults.Fail(Op::kWriteBeside, 2, platform::kErrorAccessDenied); }, 0,
     kCompleted, 1, test::kNewExe, RemovedBy::kUsersRun},
    {"InUse", [] { Platform().faults.Fail(Op::kRename, 1, platform::kErrorSharingViolation); }, 2,
     ExeCopyFailed(kInUse), 0, test::kOldExe},
    {"NetworkInstallation",
     [] {
       ExeCopyRefused(false);
       Platform().disk.AddNetworkDrive(L"C:");
     },
     2, ExeCopyFailed(kNoPermission), 0, test::kOldExe},
    {"MediaOnAMappedLetter",
     [] {
       ExeCopyRefused(false);
       Platform().disk.AddNetworkDrive(L"D:");
     },
     2, ExeCopyFailed(kNoPermissionFromShare), 0, test::kOldExe},
    {"MediaOnASubstLetter",
     [] {
       ExeCopyRefused(false);
       Platform().disk.AddNetworkDrive(L"D:", platform::NetworkPlace::kSubstLetter);
     },
     2, ExeCopyFailed(kNoPermission), 0, test::kOldExe},
    {"HelpFolderRefusedInTheElevatedRunToo",
     [] { Platform().faults.Fail(Op::kFolderExists, 1, platform::kErrorAccessDenied, true); }, 2,
     HelpCopyFailed(kProtected), 1, test::kOldExe},
    // The first run asks again only to remove the media: one it cannot read
    // now is kept, whatever the elevated run installed.
    {"HelpFolderUnreadableAfterTheElevatedRun",
     [] {
       ExeCopyRefused(false);
       Platform().faults.AlsoFail(Op::kFolderExists, 3, platform::kErrorAccessDenied);
     },
     0, kCompleted, 1, test::kNewExe},
    {"ElevatedRunCrashes",
     [] {
       ExeCopyRefused(false);
       Platform().elevated_run_ends_with = static_cast<int>(0xC0000005u);
     },
     2, "", 1, test::kOldExe},
    {"UnattendedRefused",
     [] {
       ExeCopyRefused(false);
       Platform().visible_desktop = false;
     },
     2, "", 0, test::kOldExe},
    {"UnattendedCompleted", [] { Platform().visible_desktop = false; }, 0, "", 0, test::kNewExe,
     RemovedBy::kUsersRun},
    {"UnattendedFailed",
     [] {
       Platform().visible_desktop = false;
       Platform().faults.Fail(Op::kRename, 1, platform::kErrorSharingViolation);
     },
     2, "", 0, test::kOldExe},
};

class StandingTest : public TransferTest, public testing::WithParamInterface<Standing> {};

TEST_P(StandingTest, DecidesWhoShowsTheOneBox) {
  const Standing& s = GetParam();
  test::PutUpdateOnMedia();
  s.arrange();

  EXPECT_EQ(FunzioniReg::Main(fake::Platform().command_line), s.exit_status);

  const auto& boxes = Platform().boxes;
  if (s.message.empty()) {
    EXPECT_TRUE(boxes.empty());
  } else {
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(test::Utf8(boxes[0].text), s.message);
  }
  EXPECT_EQ(Platform().elevated_runs,
            std::vector<std::wstring>(s.elevated_runs, L"D:\\Upd\\Lindarex"))
      << "the elevated run gets the very same argument";
  EXPECT_EQ(disk().Read(L"C:\\Lindarex\\Lindarex.exe"), s.installed_exe);
  EXPECT_EQ(disk().HasFile(L"D:\\Upd\\Lindarex.exe"), s.removed_by == RemovedBy::kNobody)
      << "media kept on failure";
  EXPECT_EQ(disk().HasFolder(L"D:\\Upd\\GuidaLindarex"), s.removed_by == RemovedBy::kNobody);
  const std::vector<bool>& removals = Platform().removals_elevated;
  EXPECT_EQ(removals.empty(), s.removed_by == RemovedBy::kNobody);
  for (const bool elevated : removals) {
    EXPECT_EQ(elevated, s.removed_by == RemovedBy::kElevatedRun) << "who removed the media";
  }
  EXPECT_EQ(Platform().registry.open_handles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Standings, StandingTest, testing::ValuesIn(kStandings),
                         [](const testing::TestParamInfo<Standing>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
