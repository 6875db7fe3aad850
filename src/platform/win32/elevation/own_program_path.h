// Where this program's own file is.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/windows/windows_api.h"

namespace platform::win32 {

// The path of this program's own file, however long; empty when it cannot
// be had.
inline std::wstring OwnProgramPath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) return std::wstring();
    if (length < size) return std::wstring(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace platform::win32
