// Starting a program elevated, as a run refused for want of rights does with
// itself: the program gets exactly the argument text and the current folder,
// and its exit status comes back. Wine starts every program elevated without
// asking, so the consent prompt itself is not shown here.
#include "platform/win32/elevation/elevated_start.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/process.h"
#include "platform/win32/windows/scoped_handle.h"
#include "win32/win32_test_support.h"

namespace {

using win32_test::ReadBytes;
using win32_test::ScratchFolder;
using win32_test::WriteBytes;

std::wstring ProbePath() {
  wchar_t own[MAX_PATH * 4] = {};
  std::wstring path(own, ::GetModuleFileNameW(nullptr, own, MAX_PATH * 4));
  return path.substr(0, path.rfind(L'\\') + 1) + L"quadrivo_argument_probe.exe";
}

std::string Utf16Bytes(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

struct Start {
  const char* name;
  std::wstring argument;
  DWORD exit_status;
};

void PrintTo(const Start& s, std::ostream* os) { *os << s.name; }

const Start kStarts[] = {
    {"Plain", L"D:\\Upd\\Lindarex", 0},
    {"Quoted", L"\"D:\\Upd\\Listino\\Prezzari\"", 1},
    {"BlanksInsideAndAtTheEnd", L"D:\\Nuovo  aggiornamento\\Lindarex  ", 2},
    {"AccentedAndChinese", L"D:\\Novit\u00e0 \u00e8\\\u65b0\\Lindarex", 77},
};

class ElevatedStartTest : public testing::TestWithParam<Start> {};

TEST_P(ElevatedStartTest, PassesTheArgumentAndFolderAndReturnsTheStatus) {
  const Start& start = GetParam();
  const ScratchFolder scratch;
  const std::wstring folder = scratch / L"cartella \u00e8 \u65b0";
  win32_test::MakeFolder(folder);
  WriteBytes(folder + L"\\status.txt", std::to_string(start.exit_status));

  DWORD exit_code = 12345;
  ASSERT_EQ(platform::win32::StartElevatedAndWait(ProbePath(), start.argument, folder, &exit_code),
            platform::kErrorSuccess);

  EXPECT_EQ(exit_code, start.exit_status);
  EXPECT_EQ(ReadBytes(folder + L"\\argument.txt"), Utf16Bytes(start.argument));
  EXPECT_EQ(ReadBytes(folder + L"\\folder.txt"), Utf16Bytes(folder));
}

INSTANTIATE_TEST_SUITE_P(Arguments, ElevatedStartTest, testing::ValuesIn(kStarts),
                         [](const testing::TestParamInfo<Start>& info) {
                           return std::string(info.param.name);
                         });

TEST(ElevatedStartTest, AProgramThatCannotStartIsAFailure) {
  const ScratchFolder scratch;
  DWORD exit_code = 12345;
  EXPECT_NE(platform::win32::StartElevatedAndWait(scratch / L"assente.exe", L"", scratch.path(),
                                                  &exit_code),
            platform::kErrorSuccess);
  EXPECT_EQ(exit_code, 12345u);
}

// A run handed over without elevation (user account control off, a standard
// user) finds the mark its starter holds and must not start another. Were it
// to start one, that would be this test program, listing its tests and ending
// with 0.
TEST(ElevatedStartTest, AHandedOverRunNeverHandsOverAgain) {
  const platform::win32::ScopedKernelHandle starter_mark(
      ::CreateEventW(nullptr, TRUE, FALSE, L"Local\\Quadrivo-HandOver"));
  ASSERT_TRUE(starter_mark.valid());
  int exit_status = 12345;
  const platform::Status started = platform::RunElevated(L"--gtest_list_tests", &exit_status);
  EXPECT_NE(started, platform::kErrorSuccess);
  EXPECT_EQ(exit_status, 12345);
}

// Where a path lies as an elevated run would see it: the drive letters the
// user mapped, or made with subst, belong to the user's logon alone. The
// drive's type and device answer as Windows does for each.
UINT drive_type = DRIVE_FIXED;
const wchar_t* dos_device = L"";
UINT WINAPI DriveType(LPCWSTR) { return drive_type; }
DWORD WINAPI DosDevice(LPCWSTR, LPWSTR target, DWORD size) {
  const std::wstring device = dos_device;
  if (device.size() + 2 > size) return 0;
  std::copy(device.begin(), device.end(), target);
  target[device.size()] = target[device.size() + 1] = L'\0';
  return static_cast<DWORD>(device.size() + 2);
}

TEST(NetworkPlaceTest, LettersOfTheUsersOwnLogonAreTold) {
  const struct {
    const wchar_t* path;
    UINT type;
    const wchar_t* device;
    platform::NetworkPlace expected;
  } cases[] = {
      {L"C:\\Upd\\Lindarex", DRIVE_FIXED, L"\\Device\\HarddiskVolume1",
       platform::NetworkPlace::kLocal},
      {L"N:\\Upd\\Lindarex", DRIVE_REMOTE, L"\\Device\\LanmanRedirector\\;N:0\\server\\dati",
       platform::NetworkPlace::kMappedLetter},
      {L"S:\\Upd\\Lindarex", DRIVE_FIXED, L"\\??\\C:\\Dati", platform::NetworkPlace::kSubstLetter},
      {L"\\\\server\\dati\\Upd\\Lindarex", DRIVE_REMOTE, L"", platform::NetworkPlace::kShare},
  };
  const win32_test::SystemCallsKept kept;
  platform::win32::System.GetDriveTypeW = DriveType;
  platform::win32::System.QueryDosDeviceW = DosDevice;
  for (const auto& c : cases) {
    drive_type = c.type;
    dos_device = c.device;
    EXPECT_EQ(platform::NetworkPlaceOf(c.path), c.expected) << win32_test::Utf8(c.path);
  }
}

}  // namespace
