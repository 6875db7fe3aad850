// Temporaries left by a run that was killed: the next run removes those whose
// maker is gone, and never one that a run still alive is about to use.
#include "platform/win32/files/temporary_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/destination_folder.h"
#include "platform/win32/windows/scoped_handle.h"
#include "win32/win32_test_support.h"

namespace {

using platform::win32::MakerMayBeAlive;
using platform::win32::ScopedFileHandle;
using win32_test::Names;
using win32_test::ScratchFolder;
using win32_test::SetReadOnly;
using win32_test::WriteBytes;
using Listing = std::vector<std::wstring>;

unsigned long long Now() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  return platform::win32::Ticks(now);
}

// A process that has ended; its handle is kept, so that its id is not
// handed to another process while the test runs.
class EndedProcess {
 public:
  EndedProcess() {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=-*";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created = {};
    if (!::CreateProcessW(self, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                          nullptr, &startup, &created)) {
      return;
    }
    ::CloseHandle(created.hThread);
    process_.reset(created.hProcess);
    id_ = created.dwProcessId;
    ended_ = ::WaitForSingleObject(created.hProcess, 60000) == WAIT_OBJECT_0;
  }
  bool ended() const { return ended_; }
  unsigned long id() const { return id_; }

 private:
  ScopedFileHandle process_;
  unsigned long id_ = 0;
  bool ended_ = false;
};

TEST(AbandonedTemporaryTest, MakerAliveOnlyIfRunningSinceBeforeTheFile) {
  EndedProcess ended;
  ASSERT_TRUE(ended.ended());
  const unsigned long self = ::GetCurrentProcessId();
  EXPECT_TRUE(MakerMayBeAlive(self, Now())) << "running since before the file";
  EXPECT_FALSE(MakerMayBeAlive(self, 1)) << "started after the file: the id was reused";
  EXPECT_FALSE(MakerMayBeAlive(ended.id(), Now())) << "ended";
  EXPECT_FALSE(MakerMayBeAlive(0x7ffffffcUL, Now())) << "no such process";
}

// One search of the folder: the dead run's temporaries and kept old files go,
// read-only or not;
// a live run's, a folder of a temporary's name and every other file stay.
TEST(AbandonedTemporaryTest, OnlyTheDeadRunsTemporariesAreRemoved) {
  EndedProcess ended;
  ASSERT_TRUE(ended.ended());
  ScratchFolder folder;
  const std::wstring dead = std::to_wstring(ended.id());
  const std::wstring live = std::to_wstring(::GetCurrentProcessId());
  WriteBytes(folder / (L"~Quadrivo-" + dead + L"-1.tmp"), "half a help file");
  WriteBytes(folder / (L"~Quadrivo-" + dead + L"-2.tmp"), "half a program");
  SetReadOnly(folder / (L"~Quadrivo-" + dead + L"-2.tmp"), true);
  // An old program kept aside that its update could not remove, still running.
  WriteBytes(folder / (L"~Quadrivo-" + dead + L"-4.old"), "old program");
  win32_test::MakeFolder(folder / (L"~Quadrivo-" + dead + L"-3.tmp"));
  WriteBytes(folder / (L"~Quadrivo-" + live + L"-1.tmp"), "being copied");
  WriteBytes(folder / L"~Quadrivo-appunti.tmp", "someone else's");
  WriteBytes(folder / L"Lindarex.exe", "program");

  // Made for a copy into the folder, whose listing finds the temporaries.
  const auto disk = platform::CreateHeldFolders();
  platform::Held held;
  ASSERT_EQ(disk->OpenFolder(disk->FullPath(folder.path()), platform::FolderUse::kRead, &held),
            platform::kErrorSuccess);
  platform::UpdateStep step(*disk, held);
  EXPECT_EQ(platform::DestinationFolder(*disk, held, {}, *held, step).status(),
            platform::kErrorSuccess);

  Listing kept{L"Lindarex.exe", L"~Quadrivo-" + dead + L"-3.tmp\\",
               L"~Quadrivo-" + live + L"-1.tmp", L"~Quadrivo-appunti.tmp"};
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(Names(folder.path()), kept);
}

}  // namespace
