#include "keep_desktop.h"

#include "stopwatch.h"

namespace {

constexpr DWORD kPollMs = 50;

}  // namespace

bool KeepDesktopUntilReleased(const std::wstring& release_marker, DWORD longest_ms) {
  // Asking for the desktop window connects this process to the desktop and
  // waits until the desktop is ready.
  if (GetDesktopWindow() == nullptr) return false;
  const Stopwatch clock;
  while (GetFileAttributesW(release_marker.c_str()) == INVALID_FILE_ATTRIBUTES &&
         clock.ElapsedMs() < longest_ms) {
    Sleep(kPollMs);
  }
  return true;
}
