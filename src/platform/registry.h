// The registry, read only, through the ANSI forms of the Win32 functions.
// Texts crossing here are in the system's ANSI code page (see code_page.h).
#pragma once

#include <cstdint>
#include <string>

#include "platform/status.h"

namespace platform {

// A key handle as the platform gives it: 32 bits in a 32-bit build, kept whole
// in a 64-bit build, where the predefined roots are sign-extended.
using RegHandle = std::intptr_t;

constexpr RegHandle PredefinedRoot(std::uint32_t value) {
  return static_cast<RegHandle>(static_cast<std::int32_t>(value));
}

constexpr RegHandle kHkeyClassesRoot = PredefinedRoot(0x80000000u);
constexpr RegHandle kHkeyCurrentUser = PredefinedRoot(0x80000001u);
constexpr RegHandle kHkeyLocalMachine = PredefinedRoot(0x80000002u);
constexpr RegHandle kHkeyUsers = PredefinedRoot(0x80000003u);
constexpr RegHandle kHkeyCurrentConfig = PredefinedRoot(0x80000005u);

using RegType = std::uint32_t;
constexpr RegType kRegNone = 0;
constexpr RegType kRegSz = 1;
constexpr RegType kRegExpandSz = 2;
constexpr RegType kRegBinary = 3;
constexpr RegType kRegDword = 4;
constexpr RegType kRegMultiSz = 7;

// Opens the sub-key path (one or more components) below an open key or root,
// for reading values.
Status RegOpenKeyA(RegHandle parent, const std::string& sub_key, RegHandle* result);

// With data null, reports the value's type and its size in bytes; with a
// buffer of *size bytes, fills it. A buffer too short gives kErrorMoreData and
// the size needed.
Status RegQueryValueExA(RegHandle key, const std::string& value_name, RegType* type, char* data,
                        std::uint32_t* size);

Status RegCloseKey(RegHandle key);

}  // namespace platform
