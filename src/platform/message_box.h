// The one piece of user interface: a modal message box without an owner.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

using MessageBoxFlags = std::uint32_t;
constexpr MessageBoxFlags kMbOk = 0x0;  // an OK button only, no icon

// Returns when the user has closed the box.
void ShowMessageBox(const std::wstring& text, const std::wstring& caption, MessageBoxFlags flags);

}  // namespace platform
