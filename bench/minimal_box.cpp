// The least a program with one message box can do: the floor that the start-up
// time of Quadrivo.exe is measured against.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  MessageBoxW(nullptr, L"Aggiornamento annullato.", L"Quadrivo", MB_OK);
  return 0;
}
