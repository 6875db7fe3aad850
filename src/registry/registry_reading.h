// Reading string values below HKEY_LOCAL_MACHINE. Every failure of the
// registry reads the same as nothing read: a false flag or an empty string.
#pragma once

#include <string>

#include "platform/registry.h"

namespace FunzioniReg {

// On return key_path holds the REG_SZ value read, or the empty string. An
// empty value_name reads the key's default value.
void ReadMachineString(std::wstring& key_path, const std::wstring& value_name);

// Opens sub_key below parent and names the new key in the open-key table.
bool OpenKey(platform::RegHandle parent, const std::wstring& sub_key, platform::RegHandle& handle);
// True when a REG_SZ value was read; value is written only then.
bool QueryStringValue(platform::RegHandle handle, const std::wstring& value_name,
                      std::wstring& value);
bool CloseKey(platform::RegHandle handle);
// The text before its first NUL character.
std::wstring StripAtNull(const std::wstring& text);

}  // namespace FunzioniReg
