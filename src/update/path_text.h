// Cutting paths at their last backslash.
#pragma once

#include <cstddef>
#include <string>

namespace FunzioniReg {

// 1-based position of the last backslash, 0 when there is none.
std::size_t LastBackslashPosition(const std::wstring& text);
// The text after position; the whole text when position is 0.
std::wstring TextAfter(const std::wstring& text, std::size_t position);
// The first count characters; nothing for a count below zero, so that a cut
// at a backslash that is not there keeps nothing.
std::wstring FirstCharacters(const std::wstring& text, std::ptrdiff_t count);

}  // namespace FunzioniReg
