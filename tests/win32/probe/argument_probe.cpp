// Started by the elevated-start tests: writes the argument text it received
// and its current folder into that folder, each as UTF-16, then ends with the
// exit status the test wrote there beforehand.
#include <string>

#include "platform/win32/windows/scoped_handle.h"
#include "platform/win32/windows/windows_api.h"

namespace {

using platform::win32::ScopedFileHandle;

void Write(const wchar_t* name, const std::wstring& text) {
  const ScopedFileHandle file(::CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written,
              nullptr);
}

int StatusToEndWith() {
  const ScopedFileHandle file(::CreateFileW(L"status.txt", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  char digits[16] = {};
  DWORD read = 0;
  if (!::ReadFile(file.get(), digits, sizeof(digits) - 1, &read, nullptr)) return 255;
  int status = 0;
  for (DWORD i = 0; i < read && digits[i] >= '0' && digits[i] <= '9'; ++i) {
    status = status * 10 + (digits[i] - '0');
  }
  return status;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_line, int) {
  wchar_t folder[MAX_PATH * 4] = {};
  const DWORD length = ::GetCurrentDirectoryW(MAX_PATH * 4, folder);
  Write(L"argument.txt", command_line != nullptr ? command_line : L"");
  Write(L"folder.txt", std::wstring(folder, length));
  return StatusToEndWith();
}
