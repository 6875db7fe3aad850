#include "test_support.h"

#include <cstdint>

#include "fake/fake_platform.h"

namespace test {

const char kOldExe[] = "MZ old Lindarex";
const char kNewExe[] = "MZ new Lindarex";

std::string Utf8(const std::wstring& text) {
  std::string out;
  for (const wchar_t c : text) {
    const auto code = static_cast<std::uint32_t>(c);
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

std::wstring Wide(const std::string& utf8) {
  std::wstring out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : 2;
    std::uint32_t code = extra == 0 ? lead : extra == 1 ? (lead & 0x1F) : (lead & 0x0F);
    for (int k = 1; k <= extra; ++k)
      code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    out += static_cast<wchar_t>(code);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

void StartProcess(const std::wstring& command_line) {
  fake::ResetProcess();
  fake::Platform().command_line = command_line;
}

void InstallLindarex() {
  fake::FakePlatform& p = fake::Platform();
  p.registry.SetString("SOFTWARE\\Brivanta\\Lindarex", "Directory", L"C:\\Lindarex");
  p.disk.AddFile(L"C:\\Lindarex\\Lindarex.exe", kOldExe);
  p.disk.AddFile(L"C:\\Lindarex\\Guida\\vecchia.htm", "old help");
}

void PutUpdateOnMedia(bool with_help_folder) {
  fake::FakePlatform& p = fake::Platform();
  p.disk.AddFile(L"D:\\Upd\\Lindarex.exe", kNewExe);
  if (with_help_folder) {
    p.disk.AddFile(L"D:\\Upd\\GuidaLindarex\\indice.htm", "new help");
    p.disk.AddFile(L"D:\\Upd\\GuidaLindarex\\img\\logo.png", "logo");
  }
}

}  // namespace test
