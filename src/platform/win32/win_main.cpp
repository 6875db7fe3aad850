// The process entry of Quadrivo.exe: a GUI program without a window of its
// own, whose exit status tells a script how the run ended.
#include "platform/win32/command_line_argument.h"
#include "platform/win32/windows_api.h"
#include "update/main.h"

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR command_line,
                    int /*show*/) {
  // An empty drive or a missing file must come back as a status to the run,
  // not as a box of Windows' own.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  platform::win32::KeepCommandLineArgument(command_line);
  return FunzioniReg::Main();
}
