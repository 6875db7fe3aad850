#include "registry/registry_reading.h"

#include <cstdint>
#include <new>

#include "platform/code_page.h"
#include "registry/open_keys.h"

namespace FunzioniReg {

void ReadMachineString(std::wstring& key_path, const std::wstring& value_name) {
  std::wstring result;
  platform::RegHandle handle = 0;
  if (OpenKey(platform::kHkeyLocalMachine, key_path, handle)) {
    QueryStringValue(handle, value_name, result);
    CloseKey(handle);
  }
  key_path = result;
}

bool OpenKey(platform::RegHandle parent, const std::wstring& sub_key, platform::RegHandle& handle) {
  const std::wstring parent_name = KeyName(parent);
  const std::string ansi_sub_key = platform::ToAnsi(sub_key);
  platform::RegHandle opened = 0;
  if (platform::RegOpenKeyA(parent, ansi_sub_key, &opened) != platform::kErrorSuccess) return false;
  handle = opened;
  RememberKey(opened, parent_name + L"\\" + platform::FromAnsi(ansi_sub_key));
  return true;
}

bool QueryStringValue(platform::RegHandle handle, const std::wstring& value_name,
                      std::wstring& value) {
  // No string value worth reading comes near this; a larger size reported by
  // the registry is hostile or corrupt and reads as nothing rather than
  // claiming gigabytes of memory.
  constexpr std::uint32_t kLargestValueBytes = 64u * 1024u * 1024u;
  const std::string ansi_name = platform::ToAnsi(value_name);
  platform::RegType type = platform::kRegNone;
  std::uint32_t size = 0;
  if (platform::RegQueryValueExA(handle, ansi_name, &type, nullptr, &size) !=
      platform::kErrorSuccess) {
    return false;
  }
  if (type != platform::kRegSz || size > kLargestValueBytes) return false;

  std::string buffer;
  try {
    buffer.assign(size, ' ');
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (platform::RegQueryValueExA(handle, ansi_name, &type, &buffer[0], &size) !=
      platform::kErrorSuccess) {
    return false;
  }
  // The size the read reports may be smaller than the one first announced;
  // what lies beyond it was never written.
  if (size < buffer.size()) buffer.resize(size);
  value = StripAtNull(platform::FromAnsi(buffer));
  return true;
}

bool CloseKey(platform::RegHandle handle) {
  return platform::RegCloseKey(handle) == platform::kErrorSuccess;
}

std::wstring StripAtNull(const std::wstring& text) { return text.substr(0, text.find(L'\0')); }

}  // namespace FunzioniReg
