// The process-wide table of opened registry keys, so that any handle the
// registry layer has handed out can be turned back into a readable name such
// as HKEY_LOCAL_MACHINE\SOFTWARE\Brivanta\Lindarex.
#pragma once

#include <string>
#include <vector>

#include "platform/registry.h"

namespace FunzioniReg {

struct KeyEntry {
  platform::RegHandle Handle;
  std::wstring Path;
};

// Slots are only added or overwritten: closing a key leaves its slot.
extern std::vector<KeyEntry> OpenKeys;

// Index of the handle's slot, or -1.
int FindKeyEntry(platform::RegHandle handle);
// Records the path of a handle; a handle already known gets the new path.
void RememberKey(platform::RegHandle handle, const std::wstring& path);
// The name of a predefined root, or the empty string.
std::wstring RootKeyName(platform::RegHandle handle);
// The root's name, else the remembered path, else the empty string.
std::wstring KeyName(platform::RegHandle handle);

}  // namespace FunzioniReg
