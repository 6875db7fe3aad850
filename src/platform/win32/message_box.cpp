#include "platform/message_box.h"

#include "platform/win32/windows_api.h"

namespace platform {

void ShowMessageBox(const std::wstring& text, const std::wstring& caption, MessageBoxFlags flags) {
  ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), static_cast<UINT>(flags));
}

}  // namespace platform
