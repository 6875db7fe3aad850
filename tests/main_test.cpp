// Whole runs on the fake platform: which of the outcomes a command line and
// the registry lead to, the one message box's exact text, and the exit status.
#include "update/main.h"

#include <gtest/gtest.h>

#include <functional>

#include "fake/fake_platform.h"
#include "test_support.h"

namespace {

using fake::Platform;

const char kCancelledTail[] =
    u8" non risulta installato.\r\nSi fa presente che per la normale installazione è richiesto "
    u8"l'intero pacchetto con tutti i Files e le Librerie necessarie per il normale funzionamento "
    u8"del Programma.";

std::string Cancelled(const std::string& name) {
  return u8"AGGIORNAMENTO ANNULLATO perchè \"" + name + "\"" + kCancelledTail;
}

const char kDefaultFolderHead[] =
    u8"Poichè il Programma di Contabilità \"Lindarex\" non risulta Installato, il Prezzario sarà "
    u8"copiato nella Cartella di Default ";

struct RunCase {
  const char* name;
  std::wstring command_line;
  std::function<void()> arrange;
  std::string message;
  int exit_status;
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

void LindarexIn(const wchar_t* folder) {
  Platform().registry.SetString("SOFTWARE\\Brivanta\\Lindarex", "Directory", folder);
}

const RunCase kRuns[] = {
    {"Update", L"D:\\Upd\\Lindarex",
     [] {
       test::InstallLindarex();
       test::PutUpdateOnMedia();
     },
     u8"L'Aggiornamento di \"Lindarex\" è stato regolarmente eseguito.", 0},
    {"NotInstalled", L"D:\\Upd\\Lindarex", [] {}, Cancelled("Lindarex"), 1},
    {"ZembrolasiNotInstalledAsksForTheDisc", L"D:\\Upd\\Zembrolasi", [] {},
     Cancelled("Zembrolasi") + "\r\n\r\nRichiedere il CD all'Ostravelo o contattare il fornitore.",
     1},
    {"ZembrolasiInLowerCaseGetsNoDiscSentence", L"D:\\Upd\\zembrolasi", [] {},
     Cancelled("zembrolasi"), 1},
    {"PriceListPlaced", L"D:\\Upd\\Listino\\Prezzari", [] { LindarexIn(L"C:\\Lindarex"); },
     u8"Il Prezzario Listino è stato regolarmente copiato nella cartella C:\\Lindarex\\Prezzari",
     0},
    {"PriceListDefaultFolderDropsTheListName", L"D:\\Upd\\Listino\\Prezzari", [] {},
     std::string(kDefaultFolderHead) + "D:\\Upd", 0},
    {"LowerCasePrezzariIsAnUpdate", L"D:\\Upd\\prezzari", [] { LindarexIn(L"C:\\Lindarex"); },
     Cancelled("prezzari"), 1},
    {"QuotedPriceListPathIsNotAPriceList", L"\"D:\\Upd\\Listino\\Prezzari\"",
     [] { LindarexIn(L"C:\\Lindarex"); }, Cancelled("Prezzari\""), 1},
    {"EmptyArgument", L"", [] {}, Cancelled(""), 1},
    {"PrezzariAloneKeepsNothingAndFindsTheFolder", L"Prezzari", [] { LindarexIn(L"C:\\Lindarex"); },
     u8"Il Prezzario  è stato regolarmente copiato nella cartella C:\\Lindarex\\Prezzari", 0},
    {"PrezzariAloneWithoutLindarex", L"Prezzari", [] {}, kDefaultFolderHead, 0},
    {"DefaultFolderWithoutBackslashLeftKeepsNothing", L"Listino\\Prezzari", [] {},
     kDefaultFolderHead, 0},
    {"PriceListFolderFromAppPaths", L"E:\\Nuovo\\Prezzari",
     [] {
       Platform().registry.SetString(
           "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Lindarex.exe", "",
           L"C:\\Programmi\\Lindarex\\Lindarex.exe");
     },
     u8"Il Prezzario Nuovo è stato regolarmente copiato nella cartella "
     u8"C:\\Programmi\\Lindarex\\Prezzari",
     0},
    {"UpdateWithoutItsExecutableFails", L"D:\\Upd\\Lindarex", [] { test::InstallLindarex(); },
     u8"AGGIORNAMENTO NON RIUSCITO: non è stato possibile copiare \"D:\\Upd\\Lindarex.exe\" in "
     u8"\"C:\\Lindarex\\Lindarex.exe\".\r\nRipetere l'aggiornamento: i file dell'aggiornamento "
     u8"non sono stati rimossi.",
     2},
};

class RunTest : public testing::TestWithParam<RunCase> {};

TEST_P(RunTest, ShowsOneMessageAndEndsWithItsStatus) {
  const RunCase& run = GetParam();
  test::StartProcess(run.command_line);
  run.arrange();

  const int status = FunzioniReg::Main(fake::Platform().command_line);

  ASSERT_EQ(Platform().boxes.size(), 1u);
  EXPECT_EQ(test::Utf8(Platform().boxes[0].text), run.message);
  EXPECT_EQ(test::Utf8(Platform().boxes[0].caption), "Quadrivo");
  EXPECT_EQ(Platform().boxes[0].flags, 0u) << "OK only, no icon";
  EXPECT_EQ(status, run.exit_status);
  EXPECT_EQ(Platform().registry.open_handles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Outcomes, RunTest, testing::ValuesIn(kRuns),
                         [](const testing::TestParamInfo<RunCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(RunTest, PriceListRunsTouchNoFile) {
  for (const wchar_t* installed : {L"C:\\Lindarex", L""}) {
    test::StartProcess(L"D:\\Upd\\Listino\\Prezzari");
    test::PutUpdateOnMedia();
    if (*installed != L'\0') LindarexIn(installed);

    FunzioniReg::Main(fake::Platform().command_line);

    EXPECT_TRUE(Platform().disk.log().empty());
    EXPECT_EQ(Platform().file_systems_created, 0);
  }
}

TEST(RunTest, QuotedUpdatePathLooksForANameEndingInAQuote) {
  test::StartProcess(L"\"D:\\Upd\\Lindarex\"");
  FunzioniReg::Main(fake::Platform().command_line);
  const auto& opened = Platform().registry.opened_paths();
  EXPECT_EQ(opened.count("SOFTWARE\\Brivanta\\Lindarex\""), 1u);
  EXPECT_EQ(opened.count("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Lindarex\".exe"),
            1u);
}

TEST(RunTest, ArgumentWithoutBackslashWorksInTheCurrentFolder) {
  test::StartProcess(L"Lindarex");
  test::InstallLindarex();
  Platform().disk.AddFile(L"Lindarex.exe", test::kNewExe);
  Platform().disk.AddFile(L"GuidaLindarex\\indice.htm", "new help");

  EXPECT_EQ(FunzioniReg::Main(fake::Platform().command_line), 0);

  EXPECT_EQ(Platform().disk.Read(L"C:\\Lindarex\\Lindarex.exe"), test::kNewExe);
  EXPECT_EQ(Platform().disk.Read(L"C:\\Lindarex\\Guida\\indice.htm"), "new help");
  EXPECT_FALSE(Platform().disk.HasFile(L"Lindarex.exe"));
  EXPECT_FALSE(Platform().disk.HasFolder(L"GuidaLindarex"));
}

TEST(RunTest, LongArgumentsHaveNoLengthLimit) {
  // Far past what a 16-bit position could count.
  const std::wstring folder = L"D:\\" + std::wstring(70000, L'a');
  test::StartProcess(folder + L"\\Listino\\Prezzari");
  FunzioniReg::Main(fake::Platform().command_line);
  ASSERT_EQ(Platform().boxes.size(), 1u);
  EXPECT_EQ(Platform().boxes[0].text, test::Wide(kDefaultFolderHead) + folder);
}

}  // namespace
