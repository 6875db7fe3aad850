#include "platform/win32/elevated_start.h"

#include <objbase.h>
#include <shellapi.h>

#include "platform/win32/scoped_handle.h"

namespace platform::win32 {

namespace {

// ShellExecuteEx may hand the start to shell extensions that need COM on the
// calling thread; it is set up for the start only.
class ComForTheStart {
 public:
  ComForTheStart()
      : initialized_(SUCCEEDED(
            ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~ComForTheStart() {
    if (initialized_) ::CoUninitialize();
  }
  ComForTheStart(const ComForTheStart&) = delete;
  ComForTheStart& operator=(const ComForTheStart&) = delete;

 private:
  bool initialized_;
};

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
  {
    const ComForTheStart com;
    if (!::ShellExecuteExW(&start)) return LastStatus();
  }
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
