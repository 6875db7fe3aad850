// The calls that verify an Authenticode signature, through one table: they
// come from wintrust and crypt32, loaded only by the elevated run of a build
// that pins its publisher's certificate. A test may put other functions in
// their place, so that a call answers as Windows does where Wine cannot: Wine
// trusts any self-signed chain, and Windows answers CERT_E_UNTRUSTEDROOT or
// CERT_E_CHAINING for a root it has not met.
#pragma once

#include <softpub.h>
#include <wintrust.h>

#include "platform/win32/windows/system_library.h"

namespace platform::win32 {

struct TrustCalls {
  decltype(&::WinVerifyTrust) WinVerifyTrust;
  decltype(&::WTHelperProvDataFromStateData) WTHelperProvDataFromStateData;
  decltype(&::WTHelperGetProvSignerFromChain) WTHelperGetProvSignerFromChain;
  decltype(&::CertNameToStrW) CertNameToStrW;
  decltype(&::CryptHashCertificate2) CryptHashCertificate2;  // Windows Vista and later
};

inline TrustCalls Trust = {};

// Whether every call can be made; the DLLs are loaded the first time.
inline bool LoadTrust() {
  if (Trust.WinVerifyTrust == nullptr) {
    Trust = {
        SystemFunction<decltype(::WinVerifyTrust)>(L"wintrust.dll", "WinVerifyTrust"),
        SystemFunction<decltype(::WTHelperProvDataFromStateData)>(L"wintrust.dll",
                                                                  "WTHelperProvDataFromStateData"),
        SystemFunction<decltype(::WTHelperGetProvSignerFromChain)>(
            L"wintrust.dll", "WTHelperGetProvSignerFromChain"),
        SystemFunction<decltype(::CertNameToStrW)>(L"crypt32.dll", "CertNameToStrW"),
        SystemFunction<decltype(::CryptHashCertificate2)>(L"crypt32.dll", "CryptHashCertificate2"),
    };
  }
  return Trust.WinVerifyTrust != nullptr && Trust.WTHelperProvDataFromStateData != nullptr &&
         Trust.WTHelperGetProvSignerFromChain != nullptr && Trust.CertNameToStrW != nullptr &&
         Trust.CryptHashCertificate2 != nullptr;
}

}  // namespace platform::win32
