// This process's standing on Windows: its token's elevation, its window
// station's visibility, and an elevated run of this same program.
#include "platform/process.h"

#include <vector>

#include "platform/win32/elevated_start.h"
#include "platform/win32/scoped_handle.h"

namespace platform {

namespace {

// Set in the environment that a handed-over run inherits. Windows may start a
// "runas" program without elevation (user account control turned off, and a
// standard user): such a run is refused again and would start yet another,
// without end. An elevated run never hands over anyway.
constexpr wchar_t kHandedOverMark[] = L"QUADRIVO_HANDED_OVER";

// The path of this program's own file, however long.
std::wstring OwnProgramPath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) return std::wstring();
    if (length < size) return std::wstring(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring CurrentFolder() {
  const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return std::wstring();
  std::vector<wchar_t> buffer(size);
  const DWORD length = ::GetCurrentDirectoryW(size, buffer.data());
  return length != 0 && length < size ? std::wstring(buffer.data(), length) : std::wstring();
}

}  // namespace

bool IsElevated() {
  HANDLE token = nullptr;
  // A token that cannot be read counts as elevated: the run then never
  // starts another, so runs can never start each other without end.
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return true;
  const win32::ScopedKernelHandle owned(token);
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  if (!::GetTokenInformation(owned.get(), TokenElevation, &elevation, sizeof(elevation), &size)) {
    return true;
  }
  return elevation.TokenIsElevated != 0;
}

bool HasVisibleDesktop() {
  USEROBJECTFLAGS flags = {};
  // When the window station cannot be asked, the box is shown as usual.
  if (!::GetUserObjectInformationW(::GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof(flags),
                                   nullptr)) {
    return true;
  }
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}

Status RunElevated(const std::wstring& argument, int* exit_status) {
  if (::GetEnvironmentVariableW(kHandedOverMark, nullptr, 0) != 0) return kErrorAccessDenied;
  const std::wstring program = OwnProgramPath();
  if (program.empty()) return win32::LastStatus();
  ::SetEnvironmentVariableW(kHandedOverMark, L"1");
  DWORD exit_code = static_cast<DWORD>(*exit_status);
  const Status started =
      win32::StartElevatedAndWait(program, argument, CurrentFolder(), &exit_code);
  if (started == kErrorSuccess) *exit_status = static_cast<int>(exit_code);
  return started;
}

}  // namespace platform
