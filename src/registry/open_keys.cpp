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
  // A table that cannot grow starts afresh with this one slot; the names of
  // earlier keys are only lost, never wrong.
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      OpenKeys.push_back(KeyEntry{handle, path});
      return;
    } catch (const std::bad_alloc&) {
      OpenKeys.clear();
      OpenKeys.shrink_to_fit();
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
  const int index = name.empty() ? FindKeyEntry(handle) : -1;
  return index < 0 ? name : OpenKeys[static_cast<std::size_t>(index)].Path;
}

}  // namespace FunzioniReg
