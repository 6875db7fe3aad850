// A program that does what Quadrivo must never do: two boxes, the first with
// an icon and two buttons. The launcher's self-check runs it to show that the
// end-to-end checks see each of these faults.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  MessageBoxW(nullptr, L"Prima\r\nriga \u00e8", L"Sonda", MB_OKCANCEL | MB_ICONWARNING);
  MessageBoxW(nullptr, L"Seconda", L"Sonda", MB_OK);
  return 5;
}
