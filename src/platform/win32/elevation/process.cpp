#include "platform/process.h"

#include "platform/win32/elevation/elevated_start.h"
#include "platform/win32/windows/long_path.h"
#include "platform/win32/windows/scoped_handle.h"

namespace platform {

namespace {

// An event that a run holds while the run it handed over to lives, in this
// session's namespace, which an elevated run of the same session shares.
// Windows may start a "runas" program without elevation (user account control
// turned off, and a standard user): such a run is refused again and would
// start yet another, without end. Its environment is the system's to make
// (the elevation service starts it), so the mark cannot travel there.
constexpr wchar_t kHandOverMark[] = L"Local\\Quadrivo-HandOver";

// The path of this program's own file, however long; empty when it cannot
// be had. A path cut short comes back as long as the buffer, and then the
// longest path Windows has room for is asked.
std::wstring OwnProgramPath() {
  return win32::TextOf([](wchar_t* buffer, DWORD size) {
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer, size);
    return length == size ? DWORD{32767} : length;
  });
}

std::wstring CurrentFolder() {
  return win32::TextOf(
      [](wchar_t* buffer, DWORD size) { return ::GetCurrentDirectoryW(size, buffer); });
}

}  // namespace

// In doubt (an event of another user, whose rights deny even a look) the
// mark is there: a run that hands over too little only shows its advice.
bool WasHandedOver() {
  const win32::ScopedKernelHandle mark(::OpenEventW(SYNCHRONIZE, FALSE, kHandOverMark));
  return mark.valid() || ::GetLastError() != ERROR_FILE_NOT_FOUND;
}

bool IsElevated() {
  HANDLE token = nullptr;
  // A token that cannot be read counts as elevated: the run then never
  // starts another, so runs can never start each other without end.
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return true;
  const win32::ScopedKernelHandle owned(token);
  TOKEN_ELEVATION elevation = {};
  union {
    TOKEN_USER user;
    BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  } owner;
  DWORD size = 0;
  if (!::GetTokenInformation(owned.get(), TokenElevation, &elevation, sizeof(elevation), &size) ||
      !::GetTokenInformation(owned.get(), TokenUser, &owner, sizeof owner, &size)) {
    return true;
  }
  return elevation.TokenIsElevated != 0 || ::IsWellKnownSid(owner.user.User.Sid, WinLocalSystemSid);
}

bool HasVisibleDesktop() {
  USEROBJECTFLAGS flags = {};
  // When the window station cannot be asked, the box is shown as usual.
  return !::GetUserObjectInformationW(::GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof(flags),
                                      nullptr) ||
         (flags.dwFlags & WSF_VISIBLE) != 0;
}

NetworkPlace NetworkPlaceOf(const std::wstring& path) {
  return win32::PlaceOf(win32::LongPath(path));
}

Status RunElevated(const std::wstring& argument, int* exit_status) {
  if (WasHandedOver()) return kErrorAccessDenied;
  const std::wstring program = OwnProgramPath();
  if (program.empty()) return win32::LastStatus();
  const win32::ScopedKernelHandle mark(::CreateEventW(nullptr, TRUE, FALSE, kHandOverMark));
  if (!mark.valid()) return win32::LastStatus();
  DWORD exit_code = static_cast<DWORD>(*exit_status);
  const Status started =
      win32::StartElevatedAndWait(program, argument, CurrentFolder(), &exit_code);
  if (started == kErrorSuccess) *exit_status = static_cast<int>(exit_code);
  return started;
}

}  // namespace platform
