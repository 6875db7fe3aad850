#include "platform/win32/windows/long_path.h"

#include "platform/win32/windows/system_calls.h"

namespace platform::win32 {

namespace {

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, std::wstring(prefix).size(), prefix) == 0;
}

// GetFullPathNameW also settles "." and "..", forward slashes and doubled
// backslashes, which a prefixed path would otherwise keep literally.
std::wstring FullPath(const std::wstring& path) {
  return TextOf([&path](wchar_t* buffer, DWORD size) {
    return ::GetFullPathNameW(path.c_str(), size, buffer, nullptr);
  });
}

}  // namespace

std::wstring LongPath(const std::wstring& path) {
  if (path.empty() || StartsWith(path, L"\\\\?\\")) return path;
  const std::wstring full = FullPath(path);
  if (full.empty() || StartsWith(full, L"\\\\.\\")) return full.empty() ? path : full;
  if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

NetworkPlace PlaceOf(const std::wstring& long_path) {
  if (StartsWith(long_path, L"\\\\?\\UNC\\")) return NetworkPlace::kShare;
  if (!StartsWith(long_path, L"\\\\?\\") || long_path.size() < 7 || long_path[5] != L':') {
    return NetworkPlace::kLocal;
  }
  const std::wstring letter = long_path.substr(4, 2);
  if (System.GetDriveTypeW((letter + L"\\").c_str()) == DRIVE_REMOTE) {
    return NetworkPlace::kMappedLetter;
  }
  // A device's name is short; only a folder's path may not fit.
  wchar_t device[MAX_PATH];
  const bool folder = System.QueryDosDeviceW(letter.c_str(), device, MAX_PATH) != 0
                          ? StartsWith(device, L"\\??\\")
                          : ::GetLastError() == ERROR_INSUFFICIENT_BUFFER;
  return folder ? NetworkPlace::kSubstLetter : NetworkPlace::kLocal;
}

std::wstring JoinPath(const std::wstring& folder, const wchar_t* name) {
  if (!folder.empty() && folder.back() == L'\\') return folder + name;
  return folder + L'\\' + name;
}

}  // namespace platform::win32
