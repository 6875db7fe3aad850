#include "child_process.h"

namespace {

UniqueHandle OpenNul() {
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  return UniqueHandle(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING,
                                  0, nullptr));
}

}  // namespace

bool StartChild(const ChildRequest& request, Child& child, std::wstring& error) {
  const UniqueHandle nul = OpenNul();
  std::wstring command_line = request.command_line;  // CreateProcessW may write into it
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = startup.hStdOutput = startup.hStdError = nul.Get();
  PROCESS_INFORMATION created = {};
  const wchar_t* folder = request.current_folder.empty() ? nullptr : request.current_folder.c_str();
  if (!CreateProcessW(request.program.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                      CREATE_NO_WINDOW, nullptr, folder, &startup, &created)) {
    error = L"CreateProcessW failed with error " + std::to_wstring(GetLastError());
    return false;
  }
  CloseHandle(created.hThread);
  child.process = UniqueHandle(created.hProcess);
  child.id = created.dwProcessId;
  return true;
}

bool WaitForExit(const Child& child, DWORD timeout_ms, DWORD& status) {
  if (WaitForSingleObject(child.process.Get(), timeout_ms) != WAIT_OBJECT_0) return false;
  return GetExitCodeProcess(child.process.Get(), &status) != 0;
}
