#include "platform/win32/system_calls.h"

namespace platform::win32 {

SystemCalls System = {
    ::GetFileInformationByHandle,
    ::GetNamedSecurityInfoW,
    ::GetSecurityInfo,
    ::SetSecurityInfo,
    ::SetFileInformationByHandle,
    ::CreateFileW,
    ::SetFileAttributesW,
    ::GetDriveTypeW,
    ::Sleep,
    9,
    250,
};

}  // namespace platform::win32
