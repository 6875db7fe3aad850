#include "message_box_reader.h"

namespace {

constexpr UINT kMessageTimeoutMs = 5000;

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// The text of a control of another process: GetWindowTextW gives only
// captions across processes, so the control is asked directly.
std::wstring ControlText(HWND control) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                           &length)) {
    return std::wstring();
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied);
  text.resize(copied);
  return text;
}

bool IsIconControl(HWND control) {
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
  return (style & SS_TYPEMASK) == SS_ICON;
}

bool HoldsIcon(HWND control) {
  DWORD_PTR icon = 0;
  SendMessageTimeoutW(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &icon);
  return icon != 0;
}

struct DialogSearch {
  DWORD process_id;
  HWND found;
};

BOOL CALLBACK ConsiderTopLevelWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<DialogSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->process_id || !IsWindowVisible(window)) return TRUE;
  if (ClassOf(window) != L"#32770") return TRUE;
  search->found = window;
  return FALSE;
}

BOOL CALLBACK ReadControl(HWND control, LPARAM context) {
  auto* content = reinterpret_cast<MessageBoxContent*>(context);
  if (!IsWindowVisible(control)) return TRUE;
  const std::wstring kind = ClassOf(control);
  if (_wcsicmp(kind.c_str(), L"Static") == 0) {
    if (!IsIconControl(control)) {
      content->texts.push_back(ControlText(control));
    } else if (HoldsIcon(control)) {
      content->has_icon = true;
    }
  } else if (_wcsicmp(kind.c_str(), L"Button") == 0) {
    content->buttons.push_back(ControlText(control));
  }
  return TRUE;
}

struct ButtonSearch {
  HWND found;
  int count;
};

BOOL CALLBACK ConsiderButton(HWND control, LPARAM context) {
  auto* search = reinterpret_cast<ButtonSearch*>(context);
  if (IsWindowVisible(control) && _wcsicmp(ClassOf(control).c_str(), L"Button") == 0) {
    if (search->found == nullptr) search->found = control;
    ++search->count;
  }
  return TRUE;
}

}  // namespace

HWND FindMessageBoxOf(DWORD process_id) {
  DialogSearch search{process_id, nullptr};
  EnumWindows(ConsiderTopLevelWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

MessageBoxContent ReadMessageBox(HWND dialog) {
  MessageBoxContent content;
  wchar_t caption[512] = {};
  GetWindowTextW(dialog, caption, 512);
  content.caption = caption;
  EnumChildWindows(dialog, ReadControl, reinterpret_cast<LPARAM>(&content));
  return content;
}

bool PressOk(HWND dialog) {
  ButtonSearch search{nullptr, 0};
  EnumChildWindows(dialog, ConsiderButton, reinterpret_cast<LPARAM>(&search));
  // With one button the box's only way out is that button, whatever its id;
  // otherwise OK is the one meant.
  const int command = search.count == 1 ? GetDlgCtrlID(search.found) : IDOK;
  const HWND source = search.count == 1 ? search.found : GetDlgItem(dialog, IDOK);
  if (source == nullptr) return false;
  return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED),
                      reinterpret_cast<LPARAM>(source)) != FALSE;
}
