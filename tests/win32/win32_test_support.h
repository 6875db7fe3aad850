// Helpers of the Win32 layer's tests: scratch folders on the real disk, file
// contents and attributes, and registry keys made for one test.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/windows/scoped_handle.h"
#include "platform/win32/windows/system_calls.h"
#include "platform/win32/windows/windows_api.h"

namespace win32_test {

using ScopedFindHandle = platform::win32::ScopedHandle<HANDLE, ::FindClose, true>;
using ScopedRegistryKey = platform::win32::ScopedHandle<HKEY, ::RegCloseKey>;

// A folder of its own for one test, removed with everything in it (read-only
// files included) when the test ends.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// Test set-up in the \\?\ form, so that it reaches past MAX_PATH on its own.
std::wstring Prefixed(const std::wstring& path);

void MakeFolder(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
// Nothing when the file cannot be read.
std::optional<std::string> ReadBytes(const std::wstring& path);
void SetReadOnly(const std::wstring& path, bool read_only);
// Sets the last-write time, in 100-nanosecond units since 1601.
void SetWriteTime(const std::wstring& path, unsigned long long time);
// The last-write time; 0 when the file cannot be read.
unsigned long long WriteTime(const std::wstring& path);
bool IsReadOnly(const std::wstring& path);
bool Exists(const std::wstring& path);
// The names in a folder, sorted; folders end in a backslash.
std::vector<std::wstring> Names(const std::wstring& folder);

std::string Utf8(const std::wstring& text);

// Where the open file lies, as the system names it (\\?\C:\...).
std::wstring FinalPath(HANDLE file);

// The Windows calls of the file pipeline as they were, put back when this
// ends, whatever a test made them answer meanwhile.
struct SystemCallsKept {
  platform::win32::SystemCalls kept = platform::win32::System;
  ~SystemCallsKept() { platform::win32::System = kept; }
};

// A registry key of the maker made for one test, in the 32-bit or the 64-bit
// view, and deleted from both views when the test ends.
class TestRegistryKey {
 public:
  TestRegistryKey(const std::wstring& path, REGSAM view);
  ~TestRegistryKey();
  TestRegistryKey(const TestRegistryKey&) = delete;
  TestRegistryKey& operator=(const TestRegistryKey&) = delete;

  bool created() const { return key_.valid(); }
  LSTATUS create_status() const { return create_status_; }
  // Raw data of any type, exactly the bytes given.
  void SetValue(const std::wstring& name, DWORD type, const void* data, DWORD size);
  void SetText(const std::wstring& name, DWORD type, const std::wstring& text);

 private:
  std::wstring path_;
  ScopedRegistryKey key_;
  LSTATUS create_status_ = ERROR_SUCCESS;
};

// A key path below HKLM\SOFTWARE\Brivanta that no other run uses.
std::wstring UniqueProgramName();

}  // namespace win32_test
