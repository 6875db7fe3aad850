// Windows-1252 standing in for the system's ANSI code page: what it cannot
// hold becomes '?', as WideCharToMultiByte does with its default character.
#include <cstdint>

#include "platform/code_page.h"

namespace platform {

namespace {

// Unicode of bytes 0x80 to 0x9F; the five bytes the code page leaves
// undefined map to the control character of the same value.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

wchar_t ByteToWide(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return static_cast<wchar_t>(kHighControls[byte - 0x80]);
  return static_cast<wchar_t>(byte);
}

char WideToByte(wchar_t c) {
  const auto code = static_cast<std::uint32_t>(c);
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
  for (unsigned i = 0; i < 32; ++i) {
    if (kHighControls[i] == code) return static_cast<char>(0x80 + i);
  }
  return '?';
}

}  // namespace

std::string ToAnsi(const std::wstring& text) {
  std::string ansi;
  ansi.reserve(text.size());
  for (const wchar_t c : text) ansi.push_back(WideToByte(c));
  return ansi;
}

std::wstring FromAnsi(const std::string& text) {
  std::wstring wide;
  wide.reserve(text.size());
  for (const char c : text) wide.push_back(ByteToWide(static_cast<unsigned char>(c)));
  return wide;
}

}  // namespace platform
