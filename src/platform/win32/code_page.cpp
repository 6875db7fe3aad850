#include "platform/code_page.h"

#include <climits>

#include "platform/win32/windows/windows_api.h"

namespace platform {

// Lengths are passed explicitly, so that a NUL inside a text crosses the
// conversion like any other character. No best-fit mapping: it would turn a
// fullwidth backslash of a program's name into a real one, and the name would
// then open another registry key.
constexpr DWORD kNoBestFit = WC_NO_BEST_FIT_CHARS;

std::string ToAnsi(const std::wstring& text) {
  if (text.empty() || text.size() > INT_MAX) return std::string();
  const int length = static_cast<int>(text.size());
  const int needed =
      ::WideCharToMultiByte(CP_ACP, kNoBestFit, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::string();
  std::string converted(static_cast<std::size_t>(needed), '\0');
  ::WideCharToMultiByte(CP_ACP, kNoBestFit, text.data(), length, &converted[0], needed, nullptr,
                        nullptr);
  return converted;
}

std::wstring FromAnsi(const std::string& text) {
  if (text.empty() || text.size() > INT_MAX) return std::wstring();
  const int length = static_cast<int>(text.size());
  const int needed = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return std::wstring();
  std::wstring converted(static_cast<std::size_t>(needed), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, &converted[0], needed);
  return converted;
}

}  // namespace platform
