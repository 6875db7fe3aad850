// Where this program's own file is.
#pragma once

#include <string>

#include "platform/win32/windows/windows_api.h"

namespace platform::win32 {

// The path of this program's own file, however long; empty when it cannot
// be had. A path cut short comes back as long as the buffer, and then the
// longest path Windows has room for is asked.
inline std::wstring OwnProgramPath() {
  return TextOf([](wchar_t* buffer, DWORD size) {
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer, size);
    return length == size ? DWORD{32767} : length;
  });
}

}  // namespace platform::win32
