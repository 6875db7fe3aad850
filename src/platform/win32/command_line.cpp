#include "platform/command_line.h"

#include "platform/win32/command_line_argument.h"

namespace platform {

namespace {

std::wstring& KeptArgument() {
  static std::wstring argument;
  return argument;
}

}  // namespace

namespace win32 {

void KeepCommandLineArgument(const wchar_t* argument) {
  KeptArgument() = argument != nullptr ? argument : L"";
}

}  // namespace win32

std::wstring CommandLineArgument() { return KeptArgument(); }

}  // namespace platform
