#include "update/path_text.h"

namespace FunzioniReg {

std::size_t LastBackslashPosition(const std::wstring& text) {
  const std::size_t found = text.rfind(L'\\');
  return found == std::wstring::npos ? 0 : found + 1;
}

std::wstring TextAfter(const std::wstring& text, std::size_t position) {
  return text.substr(position);
}

std::wstring FirstCharacters(const std::wstring& text, std::ptrdiff_t count) {
  if (count <= 0) return std::wstring();
  return text.substr(0, static_cast<std::size_t>(count));
}

}  // namespace FunzioniReg
