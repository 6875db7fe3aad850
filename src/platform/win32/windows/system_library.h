// Functions of Windows' own DLLs that only some runs need, loaded when first
// asked for rather than imported.
#pragma once

#include <string>

#include "platform/win32/windows/windows_api.h"

namespace platform::win32 {

// Imported, a DLL would be loaded, with all it brings, at the start of every
// run. Each comes from the system folder by its full path, never from the
// folder the update runs from, and stays loaded until the run ends: the shell
// may leave threads of its own running in its DLLs. Null when the DLL or the
// function cannot be had; GetLastError says why.
template <typename Function>
Function* SystemFunction(const wchar_t* library, const char* name) {
  const std::wstring folder = TextOf(::GetSystemDirectoryW);
  if (folder.empty()) return nullptr;
  const HMODULE module = ::LoadLibraryW((folder + L"\\" + library).c_str());
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function*>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace platform::win32
