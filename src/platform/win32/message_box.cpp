#include "platform/message_box.h"

#include "platform/win32/windows/windows_api.h"

namespace platform {

void ShowMessageBox(const std::wstring& text, const std::wstring& caption, MessageBoxFlags flags) {
  // In front of the installer that started the run, which would otherwise
  // keep the focus and hide the box behind its window.
  ::MessageBoxW(nullptr, text.c_str(), caption.c_str(),
                static_cast<UINT>(flags) | MB_SETFOREGROUND);
}

}  // namespace platform
