#include "platform/win32/elevated_start.h"

#include <objbase.h>
#include <shellapi.h>

#include "platform/win32/scoped_handle.h"

namespace platform::win32 {

namespace {

// shell32 and ole32 are loaded only by a run that hands over: imported, they
// would be loaded, with all they bring, at the start of every run. Each is
// loaded from the system folder by its full path, never from the folder the
// update runs from.
class SystemLibrary {
 public:
  explicit SystemLibrary(const wchar_t* name) : module_(::LoadLibraryW(SystemPath(name).c_str())) {}
  ~SystemLibrary() {
    if (module_ != nullptr) ::FreeLibrary(module_);
  }
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;

  // Null when the library or the function is missing.
  template <typename Function>
  Function* Find(const char* name) const {
    if (module_ == nullptr) return nullptr;
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(::GetProcAddress(module_, name)));
  }

 private:
  static std::wstring SystemPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    return std::wstring(folder, length) + L"\\" + name;
  }

  HMODULE module_;
};

// ShellExecuteEx may hand the start to shell extensions that need COM on the
// calling thread; it is set up for the start only.
class ComForTheStart {
 public:
  ComForTheStart() : ole32_(L"ole32.dll") {
    const auto initialize = ole32_.Find<decltype(::CoInitializeEx)>("CoInitializeEx");
    uninitialize_ = ole32_.Find<decltype(::CoUninitialize)>("CoUninitialize");
    initialized_ =
        initialize != nullptr && uninitialize_ != nullptr &&
        SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
  }
  ~ComForTheStart() {
    if (initialized_) uninitialize_();
  }
  ComForTheStart(const ComForTheStart&) = delete;
  ComForTheStart& operator=(const ComForTheStart&) = delete;

 private:
  SystemLibrary ole32_;
  decltype(::CoUninitialize)* uninitialize_ = nullptr;
  bool initialized_ = false;
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
    const SystemLibrary shell32(L"shell32.dll");
    const auto shell_execute = shell32.Find<decltype(::ShellExecuteExW)>("ShellExecuteExW");
    if (shell_execute == nullptr) return LastStatus();
    const ComForTheStart com;
    if (!shell_execute(&start)) return LastStatus();
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
