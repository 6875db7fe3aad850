// Reading REG_SZ values below HKEY_LOCAL_MACHINE: what each kind of stored
// value reads as, and that every key opened is closed again.
#include "registry/registry_reading.h"

#include <gtest/gtest.h>

#include "fake/fake_platform.h"
#include "test_support.h"

namespace {

using fake::Platform;
using FunzioniReg::ReadMachineString;

const char kKey[] = "SOFTWARE\\Brivanta\\Lindarex";

std::wstring Read(const std::wstring& key, const std::wstring& value_name) {
  std::wstring text = key;
  ReadMachineString(text, value_name);
  EXPECT_EQ(Platform().registry.open_handles(), 0u) << "every opened key is closed";
  return text;
}

struct StoredValue {
  const char* name;
  platform::RegType type;
  std::string bytes;
  std::wstring expected;
};

void PrintTo(const StoredValue& c, std::ostream* os) { *os << c.name; }

const StoredValue kStoredValues[] = {
    {"Terminated", platform::kRegSz, std::string("C:\\Lindarex\0", 12), L"C:\\Lindarex"},
    {"WithoutTerminatingNul", platform::kRegSz, "C:\\Lindarex", L"C:\\Lindarex"},
    {"NulInside", platform::kRegSz, std::string("C:\\Lin\0darex\0", 13), L"C:\\Lin"},
    {"NulFirst", platform::kRegSz, std::string("\0C:\\Lindarex", 12), L""},
    {"Empty", platform::kRegSz, std::string("\0", 1), L""},
    {"NoBytesAtAll", platform::kRegSz, "", L""},
    {"AccentedInCodePage", platform::kRegSz, std::string("C:\\Contabilit\xe0\0", 15),
     L"C:\\Contabilit\u00e0"},
    {"ExpandSz", platform::kRegExpandSz, std::string("C:\\Lindarex\0", 12), L""},
    {"Binary", platform::kRegBinary, "C:\\Lindarex", L""},
    {"Dword", platform::kRegDword, std::string("\x01\0\0\0", 4), L""},
    {"MultiSz", platform::kRegMultiSz, std::string("C:\\Lindarex\0\0", 13), L""},
    {"None", platform::kRegNone, "C:\\Lindarex", L""},
};

class StoredValueTest : public testing::TestWithParam<StoredValue> {};

TEST_P(StoredValueTest, ReadsAsExpected) {
  test::StartProcess(L"");
  Platform().registry.SetValue(kKey, "Directory", GetParam().type, GetParam().bytes);
  EXPECT_EQ(Read(L"SOFTWARE\\Brivanta\\Lindarex", L"Directory"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, StoredValueTest, testing::ValuesIn(kStoredValues),
                         [](const testing::TestParamInfo<StoredValue>& info) {
                           return std::string(info.param.name);
                         });

TEST(ReadMachineStringTest, MissingKeyOrValueIsEmpty) {
  test::StartProcess(L"");
  Platform().registry.SetString(kKey, "Directory", L"C:\\Lindarex");
  EXPECT_EQ(Read(L"SOFTWARE\\Brivanta\\Altro", L"Directory"), L"");
  EXPECT_EQ(Read(L"SOFTWARE\\Brivanta\\Lindarex", L"Cartella"), L"");
  EXPECT_EQ(Read(L"SOFTWARE\\Brivanta\\Lindarex", L""), L"") << "no default value set";
}

TEST(ReadMachineStringTest, EmptyValueNameReadsTheDefaultValue) {
  test::StartProcess(L"");
  Platform().registry.SetString(kKey, "", L"predefinito");
  Platform().registry.SetString(kKey, "Directory", L"C:\\Lindarex");
  EXPECT_EQ(Read(L"SOFTWARE\\Brivanta\\Lindarex", L""), L"predefinito");
}

TEST(ReadMachineStringTest, TextOutsideTheCodePageCrossesAsQuestionMarks) {
  test::StartProcess(L"");
  Platform().registry.SetString("SOFTWARE\\Brivanta\\L??", "Directory", L"C:\\L\u0100");
  EXPECT_EQ(Read(L"SOFTWARE\\Brivanta\\L\u4e00\u0101", L"Directory"), L"C:\\L?");
}

TEST(ReadMachineStringTest, LargeValueIsReadWhole) {
  test::StartProcess(L"");
  const std::string big(1 << 20, 'x');
  Platform().registry.SetValue(kKey, "Directory", platform::kRegSz, big + '\0');
  EXPECT_EQ(Read(L"SOFTWARE\\Brivanta\\Lindarex", L"Directory").size(), big.size());
}

TEST(QueryStringValueTest, AbsurdSizeReadsAsNothing) {
  // The expectation holds at either width of size_t, but the fault it guards
  // against differs: a 4 GB buffer is longer than any string a 32-bit build
  // can hold (std::length_error, which the read does not catch), and one a
  // 64-bit build may really try to allocate. The cap on value sizes keeps
  // both from being reached; the 32-bit run of the suite shows the first.
  test::StartProcess(L"");
  Platform().registry.SetString(kKey, "Directory", L"C:\\Lindarex");
  Platform().registry.MisreportSize(kKey, "Directory", 0xFFFFFFFFu);
  EXPECT_EQ(Read(L"SOFTWARE\\Brivanta\\Lindarex", L"Directory"), L"");
}

TEST(QueryStringValueTest, ValueGrownBetweenTheTwoReadsIsNotRead) {
  // The size first announced is too small for the data: the read reports
  // more data, and the value stays as it was.
  test::StartProcess(L"");
  Platform().registry.SetString(kKey, "Directory", L"C:\\Lindarex");
  Platform().registry.MisreportSize(kKey, "Directory", 4);
  platform::RegHandle handle = 0;
  ASSERT_TRUE(
      FunzioniReg::OpenKey(platform::kHkeyLocalMachine, L"SOFTWARE\\Brivanta\\Lindarex", handle));
  std::wstring value = L"unchanged";
  EXPECT_FALSE(FunzioniReg::QueryStringValue(handle, L"Directory", value));
  EXPECT_EQ(value, L"unchanged");
  EXPECT_TRUE(FunzioniReg::CloseKey(handle));
  EXPECT_FALSE(FunzioniReg::CloseKey(handle)) << "a closed handle is not closed twice";
}

TEST(QueryStringValueTest, ShorterReadKeepsOnlyWhatWasWritten) {
  // A size announced larger than the data (as the ANSI query may announce the
  // Unicode size) leaves no blanks behind a value without a NUL.
  test::StartProcess(L"");
  Platform().registry.SetValue(kKey, "Directory", platform::kRegSz, "C:\\Lindarex");
  Platform().registry.MisreportSize(kKey, "Directory", 22);
  EXPECT_EQ(Read(L"SOFTWARE\\Brivanta\\Lindarex", L"Directory"), L"C:\\Lindarex");
}

TEST(QueryStringValueTest, FailureLeavesTheValueUntouched) {
  test::StartProcess(L"");
  Platform().registry.SetValue(kKey, "Espandi", platform::kRegExpandSz, std::string("x\0", 2));
  platform::RegHandle handle = 0;
  ASSERT_TRUE(
      FunzioniReg::OpenKey(platform::kHkeyLocalMachine, L"SOFTWARE\\Brivanta\\Lindarex", handle));
  std::wstring value = L"unchanged";
  EXPECT_FALSE(FunzioniReg::QueryStringValue(handle, L"Espandi", value));
  EXPECT_FALSE(FunzioniReg::QueryStringValue(handle, L"Assente", value));
  EXPECT_EQ(value, L"unchanged");
  FunzioniReg::CloseKey(handle);
}

TEST(ReadMachineStringTest, KeyIsClosedWhenItsReadFails) {
  for (const fake::Op op : {fake::Op::kRegQueryValue, fake::Op::kRegOpenKey}) {
    test::StartProcess(L"");
    Platform().registry.SetString(kKey, "Directory", L"C:\\Lindarex");
    Platform().faults.Fail(op, 1, platform::kErrorAccessDenied);
    EXPECT_EQ(Read(L"SOFTWARE\\Brivanta\\Lindarex", L"Directory"), L"") << fake::OpName(op);
  }
}

TEST(StripAtNullTest, CutsAtTheFirstNul) {
  EXPECT_EQ(FunzioniReg::StripAtNull(std::wstring(L"\0abc", 4)), L"");
  EXPECT_EQ(FunzioniReg::StripAtNull(L"abc"), L"abc");
  EXPECT_EQ(FunzioniReg::StripAtNull(std::wstring(L"ab\0c\0", 5)), L"ab");
  EXPECT_EQ(FunzioniReg::StripAtNull(L""), L"");
}

}  // namespace
