// Cutting paths at their last backslash.
#pragma once

#include <string>

namespace FunzioniReg {

// The text after the last backslash; the whole text when there is none.
std::wstring LastComponent(const std::wstring& path);
// The text up to the last backslash, that backslash included; nothing when
// there is none.
std::wstring FolderOf(const std::wstring& path);
// The text before the last backslash; nothing when there is none.
std::wstring WithoutLastComponent(const std::wstring& path);

}  // namespace FunzioniReg
