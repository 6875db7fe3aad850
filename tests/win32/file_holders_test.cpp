// Naming who holds an installed file a copy failed on, with the Restart
// Manager answering as Windows does (Wine's is a stub): the failed box's text
// byte for byte.
#include "platform/win32/files/file_holders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update/messages.h"
#include "win32/win32_test_support.h"

namespace {

using platform::win32::RestartManager;
using platform::win32::ScopedFileHandle;
using win32_test::MakeFolder;
using win32_test::ScratchFolder;
using win32_test::WriteBytes;

struct Holder {
  const wchar_t* name;
  bool other_session;
};

struct HolderCase {
  const char* what;
  std::vector<Holder> holders;
  // Another holder appears between the call that sizes the list and the
  // one that fills it.
  std::vector<Holder> appearing;
  DWORD failure;  // RmGetList's answer, when not 0
  const char* advice;
};

void PrintTo(const HolderCase& c, std::ostream* os) { *os << c.what; }

const wchar_t kViewer[] = L"Microsoft\u00ae HTML Help Executable";

const HolderCase kHolderCases[] = {
    {"OneHolder",
     {{kViewer, false}},
     {},
     0,
     u8"Il file è in uso da \"Microsoft® HTML Help Executable\"; chiudere il programma e ripetere "
     u8"l'aggiornamento"},
    {"TwoHolders",
     {{kViewer, false}, {L"Lindarex", false}},
     {},
     0,
     u8"Il file è in uso da \"Microsoft® HTML Help Executable\" e \"Lindarex\"; chiudere i "
     u8"programmi e ripetere l'aggiornamento"},
    {"FourHolders",
     {{L"Blocco note", false}, {L"Lindarex", false}, {kViewer, false}, {L"WordPad", false}},
     {},
     0,
     u8"Il file è in uso da \"Blocco note\", \"Lindarex\", \"Microsoft® HTML Help Executable\" e "
     u8"altri; chiudere i programmi e ripetere l'aggiornamento"},
    {"AnotherUsersHolder",
     {{L"Lindarex", true}},
     {},
     0,
     u8"Il file è in uso da \"Lindarex\" (di un altro utente); chiudere il programma e ripetere "
     u8"l'aggiornamento"},
    {"ListGrowsWhileAsked",
     {{L"Lindarex", false}},
     {{kViewer, false}},
     0,
     u8"Il file è in uso da \"Lindarex\" e \"Microsoft® HTML Help Executable\"; chiudere i "
     u8"programmi e ripetere l'aggiornamento"},
    {"ListRefused",
     {{kViewer, false}},
     {},
     ERROR_ACCESS_DENIED,
     u8"Chiudere \"Lindarex\" se è aperto e ripetere l'aggiornamento"},
};

// The Restart Manager of one row: the files registered, the list asked.
std::vector<std::wstring> registered;
std::vector<Holder> listed;
std::vector<Holder> appearing;
DWORD list_failure = 0;
int lists_asked = 0;

DWORD WINAPI StartSession(DWORD* session, DWORD, WCHAR key[]) {
  *session = 7;
  key[0] = L'\0';
  return ERROR_SUCCESS;
}

DWORD WINAPI Register(DWORD, UINT count, LPCWSTR files[], UINT, RM_UNIQUE_PROCESS[], UINT,
                      LPCWSTR[]) {
  registered.assign(files, files + count);
  return ERROR_SUCCESS;
}

DWORD WINAPI List(DWORD, UINT* needed, UINT* count, RM_PROCESS_INFO found[], LPDWORD reasons) {
  if (list_failure != 0) return list_failure;
  if (++lists_asked == 2) listed.insert(listed.end(), appearing.begin(), appearing.end());
  *needed = static_cast<UINT>(listed.size());
  *reasons = RmRebootReasonNone;
  if (*count < listed.size()) return ERROR_MORE_DATA;
  DWORD own_session = 0;
  ::ProcessIdToSessionId(::GetCurrentProcessId(), &own_session);
  for (std::size_t i = 0; i < listed.size(); ++i) {
    found[i] = RM_PROCESS_INFO{};
    wcsncpy(found[i].strAppName, listed[i].name, CCH_RM_MAX_APP_NAME);
    found[i].TSSessionId = listed[i].other_session ? own_session + 1 : own_session;
  }
  *count = static_cast<UINT>(listed.size());
  return ERROR_SUCCESS;
}

DWORD WINAPI EndSession(DWORD) { return ERROR_SUCCESS; }

class FileHoldersTest : public testing::TestWithParam<HolderCase> {
 protected:
  void SetUp() override {
    platform::win32::System.pause_ms = 0;
    RestartManager = {StartSession, Register, List, EndSession};
    registered.clear();
    listed = GetParam().holders;
    appearing = GetParam().appearing;
    list_failure = GetParam().failure;
    lists_asked = 0;
  }
  void TearDown() override { RestartManager = {}; }

 private:
  win32_test::SystemCallsKept kept_;
};

TEST_P(FileHoldersTest, FailedBoxNamesWhoHoldsTheHelpFile) {
  ScratchFolder media;
  ScratchFolder installation;
  MakeFolder(media / L"GuidaLindarex");
  MakeFolder(installation / L"Guida");
  WriteBytes(media / L"GuidaLindarex\\indice.htm", "new help");
  const std::wstring held = installation / L"Guida\\indice.htm";
  WriteBytes(held, "old help");
  const ScopedFileHandle viewer(::CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(viewer.valid());

  auto fs = platform::CreateFileSystemObject();
  ASSERT_EQ(fs->CopyFolder(media / L"GuidaLindarex", installation / L"Guida"),
            platform::kErrorSharingViolation);
  const std::wstring text = FunzioniReg::UpdateFailedMessage(
      L"Lindarex", L"D:\\Upd\\GuidaLindarex", L"C:\\Lindarex\\Guida",
      FunzioniReg::Advice::kCloseProgram, fs->HoldersOfHeldFile());

  EXPECT_EQ(registered, std::vector<std::wstring>{held}) << "the held file itself is asked about";
  EXPECT_EQ(win32_test::Utf8(text),
            std::string(u8"AGGIORNAMENTO NON RIUSCITO: non è stato possibile copiare "
                        u8"\"D:\\Upd\\GuidaLindarex\" in \"C:\\Lindarex\\Guida\".\r\n") +
                GetParam().advice + ": i file dell'aggiornamento non sono stati rimossi.");
}

INSTANTIATE_TEST_SUITE_P(RestartManagerAnswers, FileHoldersTest, testing::ValuesIn(kHolderCases),
                         [](const testing::TestParamInfo<HolderCase>& info) {
                           return std::string(info.param.what);
                         });

}  // namespace
