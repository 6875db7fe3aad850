#include "platform/registry.h"

#include "platform/win32/windows/windows_api.h"

namespace platform {

namespace {

// Both builds read the 32-bit view of the registry: the one the maker's
// installers write to, and the one a 32-bit program always sees.
constexpr REGSAM kReadAccess = KEY_QUERY_VALUE | KEY_WOW64_32KEY;

HKEY ToHkey(RegHandle handle) { return reinterpret_cast<HKEY>(handle); }
RegHandle FromHkey(HKEY key) { return reinterpret_cast<RegHandle>(key); }

}  // namespace

Status RegOpenKeyA(RegHandle parent, const std::string& sub_key, RegHandle* result) {
  HKEY opened = nullptr;
  const LSTATUS status = ::RegOpenKeyExA(ToHkey(parent), sub_key.c_str(), 0, kReadAccess, &opened);
  if (status == ERROR_SUCCESS) *result = FromHkey(opened);
  return static_cast<Status>(status);
}

Status RegQueryValueExA(RegHandle key, const std::string& value_name, RegType* type, char* data,
                        std::uint32_t* size) {
  DWORD value_type = REG_NONE;
  DWORD byte_count = size != nullptr ? *size : 0;
  const LSTATUS status =
      ::RegQueryValueExA(ToHkey(key), value_name.c_str(), nullptr, &value_type,
                         reinterpret_cast<BYTE*>(data), size != nullptr ? &byte_count : nullptr);
  if (type != nullptr) *type = value_type;
  if (size != nullptr) *size = byte_count;
  return static_cast<Status>(status);
}

Status RegCloseKey(RegHandle key) { return static_cast<Status>(::RegCloseKey(ToHkey(key))); }

}  // namespace platform
