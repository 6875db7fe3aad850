// The conversion to and from the ANSI code page, as the registry reading uses
// it: lengths are kept, NULs included.
#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <string>

#include "win32/win32_test_support.h"

namespace {

TEST(CodePageConversionTest, RoundTripKeepsWhatTheCodePageHolds) {
  if (::GetACP() != 1252) GTEST_SKIP() << "the cases are written for code page 1252";
  struct Case {
    std::wstring text;
    std::string ansi;
  };
  const Case cases[] = {
      {L"", ""},
      {L"C:\\Lindarex", "C:\\Lindarex"},
      {std::wstring(L"a\0b\0", 4), std::string("a\0b\0", 4)},
      {L"Città €", "Citt\xe0 \x80"},
      {L"\u65e5\u672c", "??"},
      {L"\u03a9\uff3c", "??"},  // no best fit: not "O\\"
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::ToAnsi(c.text), c.ansi) << win32_test::Utf8(c.text);
    if (c.ansi.find('?') == std::string::npos) {
      EXPECT_EQ(win32_test::Utf8(platform::FromAnsi(c.ansi)), win32_test::Utf8(c.text));
    }
  }
}

}  // namespace
