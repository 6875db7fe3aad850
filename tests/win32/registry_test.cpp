// The registry reading of the update against the real registry: what the
// maker's installers and hostile or damaged entries leave there.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "registry/registry_reading.h"
#include "update/find_install_folder.h"
#include "win32/win32_test_support.h"

namespace {

using win32_test::TestRegistryKey;
using win32_test::UniqueProgramName;
using win32_test::Utf8;

const std::wstring kMakerKey = L"SOFTWARE\\Brivanta\\";
const std::wstring kAppPathsKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

std::wstring ReadMachineString(std::wstring key_path, const std::wstring& value_name) {
  FunzioniReg::ReadMachineString(key_path, value_name);
  return key_path;
}

// The bytes of a text as the registry stores it, with or without its NUL.
std::vector<wchar_t> Stored(const std::wstring& text, bool terminated) {
  std::vector<wchar_t> data(text.begin(), text.end());
  if (terminated) data.push_back(L'\0');
  return data;
}

struct StoredValue {
  const char* what;
  DWORD type;
  std::wstring text;
  bool terminated;
  std::wstring expected;
};

// Names the case in the test's name, as CTest lists it.
void PrintTo(const StoredValue& value, std::ostream* out) { *out << value.what; }

class StoredValueTest : public testing::TestWithParam<StoredValue> {};

TEST_P(StoredValueTest, ReadsOnlyStringValuesUpToTheirFirstNul) {
  const StoredValue& value = GetParam();
  const std::wstring key_path = kMakerKey + UniqueProgramName();
  TestRegistryKey key(key_path, KEY_WOW64_32KEY);
  const std::vector<wchar_t> data = Stored(value.text, value.terminated);
  key.SetValue(L"Directory", value.type, data.data(),
               static_cast<DWORD>(data.size() * sizeof(wchar_t)));
  EXPECT_EQ(Utf8(ReadMachineString(key_path, L"Directory")), Utf8(value.expected));
}

const std::wstring kFolder = L"C:\\Lindarex";

INSTANTIATE_TEST_SUITE_P(
    EveryType, StoredValueTest,
    testing::Values(
        StoredValue{"sz", REG_SZ, kFolder, true, kFolder},
        StoredValue{"sz_empty", REG_SZ, L"", true, L""},
        StoredValue{"sz_without_nul", REG_SZ, kFolder, false, kFolder},
        StoredValue{"sz_nul_inside", REG_SZ, std::wstring(L"C:\\Lin\0darex", 12), true, L"C:\\Lin"},
        StoredValue{"sz_nul_first", REG_SZ, std::wstring(L"\0C:\\Lindarex", 12), true, L""},
        StoredValue{"sz_of_1_mb", REG_SZ, std::wstring(512 * 1024 - 1, L'x'), true,
                    std::wstring(512 * 1024 - 1, L'x')},
        StoredValue{"expand_sz", REG_EXPAND_SZ, kFolder, true, L""},
        StoredValue{"none", REG_NONE, kFolder, true, L""},
        StoredValue{"binary", REG_BINARY, kFolder, true, L""},
        StoredValue{"dword", REG_DWORD, L"AB", false, L""},
        StoredValue{"dword_big_endian", REG_DWORD_BIG_ENDIAN, L"AB", false, L""},
        StoredValue{"link", REG_LINK, kFolder, false, L""},
        StoredValue{"multi_sz", REG_MULTI_SZ, kFolder + std::wstring(1, L'\0'), true, L""},
        StoredValue{"resource_list", REG_RESOURCE_LIST, kFolder, true, L""},
        StoredValue{"full_resource_descriptor", REG_FULL_RESOURCE_DESCRIPTOR, kFolder, true, L""},
        StoredValue{"resource_requirements_list", REG_RESOURCE_REQUIREMENTS_LIST, kFolder, true,
                    L""},
        StoredValue{"qword", REG_QWORD, L"ABCD", false, L""}));

// The utility reads the 32-bit view, where the maker's 32-bit installers
// write; an entry in the 64-bit view only does not count.
TEST(RegistryViewTest, OnlyTheThirtyTwoBitViewNamesTheInstallation) {
  struct Case {
    const char* what;
    const wchar_t* in_32_bit_view;
    const wchar_t* in_64_bit_view;
    std::wstring expected;
  };
  const Case cases[] = {
      {"32-bit view only", L"C:\\Lindarex", nullptr, L"C:\\Lindarex\\"},
      {"64-bit view only", nullptr, L"C:\\Lindarex64", L""},
      {"both views", L"C:\\Lindarex", L"C:\\Lindarex64", L"C:\\Lindarex\\"},
  };
  for (const Case& c : cases) {
    const std::wstring program = UniqueProgramName();
    TestRegistryKey key32(kMakerKey + program, KEY_WOW64_32KEY);
    TestRegistryKey key64(kMakerKey + program, KEY_WOW64_64KEY);
    if (c.in_32_bit_view != nullptr) key32.SetText(L"Directory", REG_SZ, c.in_32_bit_view);
    if (c.in_64_bit_view != nullptr) key64.SetText(L"Directory", REG_SZ, c.in_64_bit_view);
    EXPECT_EQ(Utf8(FunzioniReg::FindInstallFolder(program)), Utf8(c.expected)) << c.what;
  }
}

// The App Paths entry is the key's default value, read when the maker's key
// names no folder.
TEST(DefaultValueTest, AppPathsEntryGivesTheExecutablesFolder) {
  struct Case {
    const char* what;
    const wchar_t* directory;  // null: no maker's key
    REGSAM app_paths_view;
    std::wstring expected;
  };
  const Case cases[] = {
      {"app paths only", nullptr, KEY_WOW64_32KEY, L"C:\\Programmi\\Zembrolasi\\"},
      {"empty directory", L"", KEY_WOW64_32KEY, L"C:\\Programmi\\Zembrolasi\\"},
      {"directory first", L"C:\\Lindarex", KEY_WOW64_32KEY, L"C:\\Lindarex\\"},
  };
  for (const Case& c : cases) {
    const std::wstring program = UniqueProgramName();
    TestRegistryKey maker(kMakerKey + program, KEY_WOW64_32KEY);
    if (c.directory != nullptr) maker.SetText(L"Directory", REG_SZ, c.directory);
    TestRegistryKey app_paths(kAppPathsKey + program + L".exe", c.app_paths_view);
    app_paths.SetText(L"", REG_SZ, L"C:\\Programmi\\Zembrolasi\\Zembrolasi.exe");
    EXPECT_EQ(Utf8(FunzioniReg::FindInstallFolder(program)), Utf8(c.expected)) << c.what;
  }
}

// Texts cross the registry functions in the ANSI code page: what it holds
// survives, anything else becomes the replacement character, in a value as
// in a key's name. A fullwidth backslash in a name does not become a real one
// and so never opens another key.
TEST(CodePageTest, CharactersOutsideTheAnsiCodePage) {
  if (::GetACP() != 1252) GTEST_SKIP() << "the cases are written for code page 1252";
  const std::wstring program = UniqueProgramName();
  TestRegistryKey key(kMakerKey + program, KEY_WOW64_32KEY);
  key.SetText(L"Directory", REG_SZ, L"C:\\Città €uro \u65e5\u672c");
  EXPECT_EQ(Utf8(FunzioniReg::FindInstallFolder(program)), Utf8(L"C:\\Città €uro ??\\"));

  struct Case {
    std::wstring key_name;    // as created
    std::wstring asked_name;  // as the update asks for it
    std::wstring expected;
  };
  const std::wstring stem = UniqueProgramName();
  const Case cases[] = {
      {stem + L"Contabilità", stem + L"Contabilità", L"C:\\Trovato\\"},
      {stem + L"\u65e5\u672c", stem + L"\u65e5\u672c", L""},
      {stem + L"A\\B", stem + L"A\uff3cB", L""},
  };
  for (const Case& c : cases) {
    TestRegistryKey named(kMakerKey + c.key_name, KEY_WOW64_32KEY);
    named.SetText(L"Directory", REG_SZ, L"C:\\Trovato");
    EXPECT_EQ(Utf8(FunzioniReg::FindInstallFolder(c.asked_name)), Utf8(c.expected))
        << Utf8(c.asked_name);
  }
  TestRegistryKey cleanup(kMakerKey + stem + L"A", KEY_WOW64_32KEY);
}

bool RegistryOpensThroughAnsi(const std::wstring& key_path) {
  HKEY key = nullptr;
  const std::string ansi(key_path.begin(), key_path.end());  // ASCII only
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, ansi.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY,
                      &key) != ERROR_SUCCESS) {
    return false;
  }
  ::RegCloseKey(key);
  return true;
}

// Around the greatest length of key path the registry accepts (255
// characters a name on Windows; Wine's ANSI functions stop near MAX_PATH for
// the whole path), the lookup finds exactly what the registry opens: it puts
// no limit of its own, and a path refused reads as nothing.
TEST(KeyLengthTest, LookupFindsWhatTheRegistryOpensAroundTheLimit) {
  const std::wstring stem = UniqueProgramName();
  std::size_t longest_accepted = 0;
  std::size_t shortest_refused = 0;
  for (std::size_t length = 230; length <= 260; ++length) {
    const std::wstring program = stem + std::wstring(length - stem.size(), L'k');
    TestRegistryKey key(kMakerKey + program, KEY_WOW64_32KEY);
    if (key.created()) key.SetText(L"Directory", REG_SZ, L"C:\\Lindarex");
    const bool opens = key.created() && RegistryOpensThroughAnsi(kMakerKey + program);
    if (opens) longest_accepted = length;
    if (!opens && shortest_refused == 0) shortest_refused = length;
    EXPECT_EQ(Utf8(FunzioniReg::FindInstallFolder(program)), opens ? "C:\\Lindarex\\" : "")
        << "name of " << length << " characters";
  }
  EXPECT_GT(longest_accepted, 0u);
  EXPECT_GT(shortest_refused, 0u);
  std::printf("longest program name read: %zu characters (key path %zu); first refused: %zu\n",
              longest_accepted, kMakerKey.size() + longest_accepted, shortest_refused);
}

}  // namespace
