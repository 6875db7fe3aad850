#include "win32/win32_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace win32_test {

namespace {

using platform::win32::ScopedFileHandle;

// Removes a tree for the test's clean-up. Links are removed as links only
// when the platform can; they are never descended into.
void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  ScopedFindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &entry));
  while (find.valid()) {
    const std::wstring name = entry.cFileName;
    const std::wstring child = path + L"\\" + name;
    if (name != L"." && name != L"..") {
      ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      const DWORD attributes = entry.dwFileAttributes;
      if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        // Left in place: removing it could remove what it points to.
      } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveTree(child);
      } else {
        ::DeleteFileW(child.c_str());
      }
    }
    if (!::FindNextFileW(find.get(), &entry)) break;
  }
  find.reset(INVALID_HANDLE_VALUE);
  ::RemoveDirectoryW(path.c_str());
}

std::wstring TemporaryFolder() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
  std::wstring folder(buffer, length);
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

}  // namespace

ScratchFolder::ScratchFolder() {
  static unsigned counter = 0;
  path_ = TemporaryFolder() + L"\\quadrivo-test-" + std::to_wstring(::GetCurrentProcessId()) +
          L"-" + std::to_wstring(++counter);
  MakeFolder(path_);
}

ScratchFolder::~ScratchFolder() { RemoveTree(Prefixed(path_)); }

std::wstring Prefixed(const std::wstring& path) {
  if (path.compare(0, 4, L"\\\\?\\") == 0) return path;
  return L"\\\\?\\" + path;
}

void MakeFolder(const std::wstring& path) {
  ASSERT_TRUE(::CreateDirectoryW(Prefixed(path).c_str(), nullptr))
      << Utf8(path) << " error " << ::GetLastError();
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  ScopedFileHandle file(::CreateFileW(Prefixed(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file.valid()) << Utf8(path) << " error " << ::GetLastError();
  DWORD written = 0;
  ASSERT_TRUE(
      ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  ASSERT_EQ(written, bytes.size());
}

std::optional<std::string> ReadBytes(const std::wstring& path) {
  ScopedFileHandle file(::CreateFileW(Prefixed(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    bytes.append(buffer, got);
  }
  return bytes;
}

void SetReadOnly(const std::wstring& path, bool read_only) {
  ASSERT_TRUE(::SetFileAttributesW(Prefixed(path).c_str(),
                                   read_only ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL));
}

void SetWriteTime(const std::wstring& path, unsigned long long time) {
  ScopedFileHandle file(::CreateFileW(Prefixed(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file.valid()) << Utf8(path) << " error " << ::GetLastError();
  FILETIME written;
  written.dwLowDateTime = static_cast<DWORD>(time);
  written.dwHighDateTime = static_cast<DWORD>(time >> 32);
  ASSERT_TRUE(::SetFileTime(file.get(), nullptr, nullptr, &written));
}

unsigned long long WriteTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(Prefixed(path).c_str(), GetFileExInfoStandard, &data)) return 0;
  return platform::win32::Ticks(data.ftLastWriteTime);
}

bool IsReadOnly(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(Prefixed(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(Prefixed(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> Names(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  ScopedFindHandle find(::FindFirstFileW((Prefixed(folder) + L"\\*").c_str(), &entry));
  while (find.valid()) {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") {
      const bool folder_entry = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      names.push_back(folder_entry ? name + L"\\" : name);
    }
    if (!::FindNextFileW(find.get(), &entry)) break;
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int length = static_cast<int>(text.size());
  const int needed =
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(needed), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &utf8[0], needed, nullptr, nullptr);
  return utf8;
}

TestRegistryKey::TestRegistryKey(const std::wstring& path, REGSAM view) : path_(path) {
  HKEY key = nullptr;
  create_status_ = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                     KEY_SET_VALUE | view, nullptr, &key, nullptr);
  if (create_status_ == ERROR_SUCCESS) key_.reset(key);
}

TestRegistryKey::~TestRegistryKey() {
  key_.reset(nullptr);
  for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    HKEY parent = nullptr;
    const std::wstring::size_type slash = path_.rfind(L'\\');
    const std::wstring parent_path = path_.substr(0, slash);
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, parent_path.c_str(), 0, KEY_ALL_ACCESS | view,
                        &parent) != ERROR_SUCCESS) {
      continue;
    }
    const std::wstring name = path_.substr(slash + 1);
    ::RegDeleteTreeW(parent, name.c_str());
    ::RegDeleteKeyExW(parent, name.c_str(), view, 0);
    ::RegCloseKey(parent);
  }
}

void TestRegistryKey::SetValue(const std::wstring& name, DWORD type, const void* data, DWORD size) {
  ASSERT_TRUE(created());
  ASSERT_EQ(
      ::RegSetValueExW(key_.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
      ERROR_SUCCESS);
}

void TestRegistryKey::SetText(const std::wstring& name, DWORD type, const std::wstring& text) {
  SetValue(name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

std::wstring UniqueProgramName() {
  static unsigned counter = 0;
  return L"QuadrivoTest" + std::to_wstring(::GetCurrentProcessId()) + L"x" +
         std::to_wstring(++counter);
}

std::wstring FinalPath(HANDLE file) {
  return platform::win32::TextOf([file](wchar_t* buffer, DWORD size) {
    return ::GetFinalPathNameByHandleW(file, buffer, size, 0);
  });
}

}  // namespace win32_test
