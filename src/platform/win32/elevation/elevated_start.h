// Starting a program with administrator rights and waiting for its end.
#pragma once

#include <string>

#include "platform/status.h"
#include "platform/win32/windows/windows_api.h"

namespace platform::win32 {

// Starts program elevated (Windows asks the user for consent when it must),
// with argument as its whole argument text and folder as its current folder,
// then waits for it to end. Success once it has run: its exit code is then in
// *exit_code, left as it was when it cannot be read. ERROR_CANCELLED when the
// user declined.
Status StartElevatedAndWait(const std::wstring& program, const std::wstring& argument,
                            const std::wstring& folder, DWORD* exit_code);

}  // namespace platform::win32
