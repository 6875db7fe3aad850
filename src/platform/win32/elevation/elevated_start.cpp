#include "platform/win32/elevation/elevated_start.h"

#include <objbase.h>
#include <shellapi.h>

#include "platform/win32/windows/scoped_handle.h"
#include "platform/win32/windows/system_calls.h"

namespace platform::win32 {

namespace {

// ShellExecuteEx may hand the start to shell extensions that need COM on the
// calling thread; it is set up for the start only. shell32 and ole32 are
// loaded only by a run that hands over.
Status ShellExecuteWithCom(SHELLEXECUTEINFOW* start) {
  const auto shell_execute =
      SystemFunction<decltype(::ShellExecuteExW)>(L"shell32.dll", "ShellExecuteExW");
  if (shell_execute == nullptr) return LastStatus();
  const auto initialize =
      SystemFunction<decltype(::CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
  const auto uninitialize =
      SystemFunction<decltype(::CoUninitialize)>(L"ole32.dll", "CoUninitialize");
  const bool com =
      initialize != nullptr && uninitialize != nullptr &&
      SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
  const Status status = shell_execute(start) ? kErrorSuccess : LastStatus();
  if (com) uninitialize();
  return status;
}

}  // namespace

Status StartElevatedAndWait(const std::wstring& program, const std::wstring& argument,
                            const std::wstring& folder, DWORD* exit_code) {
  SHELLEXECUTEINFOW start = {};
  start.cbSize = sizeof(start);
  // The process handle to wait on; the start finished before the call
  // returns; no error box of the shell's own (the run shows its own), and no
  // zone check of the program, which is this very one.
  start.fMask =
      SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOZONECHECKS;
  start.lpVerb = L"runas";
  start.lpFile = program.c_str();
  start.lpParameters = argument.c_str();
  start.lpDirectory = folder.c_str();
  start.nShow = SW_SHOWNORMAL;
  const Status started = ShellExecuteWithCom(&start);
  if (started != kErrorSuccess) return started;
  // Without a handle the run has started but cannot be waited for; it shows
  // its own box all the same, so this run must not show another.
  if (start.hProcess == nullptr) return kErrorSuccess;
  const ScopedKernelHandle process(start.hProcess);
  ::WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  if (::GetExitCodeProcess(process.get(), &code)) *exit_code = code;
  return kErrorSuccess;
}

}  // namespace platform::win32
