#include "held_file.h"

#include "unique_handle.h"

namespace {

constexpr DWORD kPollMs = 20;

bool WriteMarker(const std::wstring& path, const std::string& content) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  DWORD written = 0;
  return WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written,
                   nullptr) &&
         written == content.size();
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int HoldFileUntilReleased(const std::wstring& path, const std::wstring& ready_marker,
                          const std::wstring& release_marker, DWORD max_ms) {
  UniqueHandle held(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!held.Valid()) {
    WriteMarker(ready_marker, "error " + std::to_string(GetLastError()));
    return 1;
  }
  if (!WriteMarker(ready_marker, "held")) return 1;
  for (DWORD waited = 0; waited < max_ms && !Exists(release_marker); waited += kPollMs) {
    Sleep(kPollMs);
  }
  return 0;
}
