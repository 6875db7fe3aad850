// The process entry of Quadrivo.exe: a GUI program without a window of its
// own, whose exit status tells a script how the run ended.
#include "platform/command_line.h"
#include "platform/win32/windows_api.h"
#include "update/main.h"

namespace {

// As the C runtime hands it to wWinMain: the program's name and the blanks
// after it taken off, nothing else.
const wchar_t* argument = L"";

}  // namespace

std::wstring platform::CommandLineArgument() { return argument; }

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR command_line,
                    int /*show*/) {
  // An empty drive or a missing file must come back as a status to the run,
  // not as a box of Windows' own.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  if (command_line != nullptr) argument = command_line;
  return FunzioniReg::Main();
}
