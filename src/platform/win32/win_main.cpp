// The process entry of Quadrivo.exe: a GUI program without a window of its
// own, whose exit status tells a script how the run ended.
#include "platform/win32/command_line_argument.h"
#include "platform/win32/windows_api.h"
#include "update/main.h"

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR command_line,
                    int /*show*/) {
  platform::win32::KeepCommandLineArgument(command_line);
  return FunzioniReg::Main();
}
