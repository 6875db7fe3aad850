#include "update/path_text.h"

namespace FunzioniReg {

// Without a backslash, rfind's npos plus one wraps round to 0.
std::wstring LastComponent(const std::wstring& path) { return path.substr(path.rfind(L'\\') + 1); }

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\') + 1); }

std::wstring WithoutLastComponent(const std::wstring& path) {
  const std::size_t cut = path.rfind(L'\\');
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

}  // namespace FunzioniReg
