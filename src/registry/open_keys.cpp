#include "registry/open_keys.h"

#include <new>

namespace FunzioniReg {

std::vector<KeyEntry> OpenKeys;

int FindKeyEntry(platform::RegHandle handle) {
  for (std::size_t i = 0; i < OpenKeys.size(); ++i) {
    if (OpenKeys[i].Handle == handle) return static_cast<int>(i);
  }
  return -1;
}

void RememberKey(platform::RegHandle handle, const std::wstring& path) {
  const int index = FindKeyEntry(handle);
  if (index >= 0) {
    OpenKeys[static_cast<std::size_t>(index)].Path = path;
    return;
  }
  try {
    OpenKeys.push_back(KeyEntry{handle, path});
  } catch (const std::bad_alloc&) {
    // A table that cannot grow starts afresh with this one slot; the names of
    // earlier keys are only lost, never wrong.
    OpenKeys.clear();
    OpenKeys.shrink_to_fit();
    try {
      OpenKeys.push_back(KeyEntry{handle, path});
    } catch (const std::bad_alloc&) {
    }
  }
}

std::wstring RootKeyName(platform::RegHandle handle) {
  if (handle == platform::kHkeyClassesRoot) return L"HKEY_CLASSES_ROOT";
  if (handle == platform::kHkeyCurrentUser) return L"HKEY_CURRENT_USER";
  if (handle == platform::kHkeyLocalMachine) return L"HKEY_LOCAL_MACHINE";
  if (handle == platform::kHkeyUsers) return L"HKEY_USERS";
  return std::wstring();
}

std::wstring KeyName(platform::RegHandle handle) {
  std::wstring name = RootKeyName(handle);
  if (!name.empty()) return name;
  const int index = FindKeyEntry(handle);
  if (index >= 0) return OpenKeys[static_cast<std::size_t>(index)].Path;
  return std::wstring();
}

}  // namespace FunzioniReg
