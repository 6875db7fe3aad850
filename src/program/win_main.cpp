// The process entry of Quadrivo.exe: a GUI program without a window of its
// own, whose exit status tells a script how the run ended.
#include "platform/win32/windows/windows_api.h"
#include "update/main.h"

namespace {

// The DLLs that Windows' own DLLs load on demand come from the system folder
// only: Windows looks in the program's own folder first, which is the media's
// (for a download, the user's Downloads folder), where a planted version.dll
// would run inside the update, elevated or not. SetDefaultDllDirectories
// needs Windows 7 with update KB2533623; without it, the current folder at
// least leaves the search.
void SearchDllsInTheSystemFolderOnly() {
  constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
  using SetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
  const auto set_default = reinterpret_cast<SetDefaultDllDirectories>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (set_default == nullptr || !set_default(kSearchSystem32)) ::SetDllDirectoryW(L"");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR command_line,
                    int /*show*/) {
  SearchDllsInTheSystemFolderOnly();
  // An empty drive or a missing file must come back as a status to the run,
  // not as a box of Windows' own.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  // As the C runtime hands it over: the program's name and the blanks after
  // it taken off, nothing else.
  return FunzioniReg::Main(command_line != nullptr ? command_line : L"");
}
