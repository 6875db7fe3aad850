// Which new program an elevated run of a signed Quadrivo.exe installs, with
// WinVerifyTrust answering as Windows does on an office PC: Wine trusts any
// self-signed root, Windows answers for the chain when it has not met it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/elevation/publisher_signature.h"
#include "platform/win32/elevation/trust_calls.h"

namespace {

// What WinVerifyTrust finds in one file: its answer, the signer chain's
// faults, the certificate (standing for its encoding), and how its subject
// CN=Brivanta is encoded (PrintableString 0x13, UTF8String 0x0C).
struct Signed {
  LONG answer;
  DWORD chain_errors;
  std::string certificate;
  BYTE name_tag = 0x13;
};

// The state WinVerifyTrust keeps for one file, as the helpers read it.
struct State {
  std::vector<BYTE> subject;
  CERT_INFO info = {};
  CERT_CONTEXT certificate = {};
  CRYPT_PROVIDER_CERT chain_entry = {};
  CERT_CHAIN_CONTEXT chain = {};
  CRYPT_PROVIDER_SGNR signer = {};

  LONG Hold(Signed& file) {
    subject = {0x30, 19, 0x31, 17, 0x30, 15, 0x06, 0x03, 0x55, 0x04, 0x03, file.name_tag, 8};
    subject.insert(subject.end(), {'B', 'r', 'i', 'v', 'a', 'n', 't', 'a'});
    info.Subject = {static_cast<DWORD>(subject.size()), subject.data()};
    certificate.pbCertEncoded = reinterpret_cast<BYTE*>(&file.certificate[0]);
    certificate.cbCertEncoded = static_cast<DWORD>(file.certificate.size());
    certificate.pCertInfo = &info;
    chain_entry.pCert = &certificate;
    chain.TrustStatus.dwErrorStatus = file.chain_errors;
    signer.csCertChain = 1;
    signer.pasCertChain = &chain_entry;
    signer.pChainContext = &chain;
    return file.answer;
  }
};

const wchar_t kOwnPath[] = L"C:\\Disco\\Quadrivo.exe";
Signed own_file, copy_file;
State own_state, copy_state;

LONG WINAPI Verify(HWND, GUID*, LPVOID argument) {
  auto* const data = static_cast<WINTRUST_DATA*>(argument);
  if (data->dwStateAction == WTD_STATEACTION_CLOSE) return ERROR_SUCCESS;
  const bool own = std::wstring(data->pFile->pcwszFilePath) == kOwnPath;
  data->hWVTStateData = own ? &own_state : &copy_state;
  return (own ? own_state : copy_state).Hold(own ? own_file : copy_file);
}

CRYPT_PROVIDER_DATA* WINAPI ProviderData(HANDLE state) {
  return reinterpret_cast<CRYPT_PROVIDER_DATA*>(state);
}

CRYPT_PROVIDER_SGNR* WINAPI FirstSigner(CRYPT_PROVIDER_DATA* provider, DWORD, BOOL, DWORD) {
  return &reinterpret_cast<State*>(provider)->signer;
}

TEST(PublisherTest, InstallsOnlyTheSameCertificateOrATrustedRenewal) {
  const Signed chained{CERT_E_CHAINING, CERT_TRUST_IS_PARTIAL_CHAIN, "2026"};
  const Signed root_unknown{CERT_E_UNTRUSTEDROOT, CERT_TRUST_IS_UNTRUSTED_ROOT, "2026"};
  const Signed expired{CERT_E_UNTRUSTEDROOT,
                       CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_NOT_TIME_VALID, "2026"};
  const Signed trusted{ERROR_SUCCESS, 0, "2026"};
  const struct {
    const char* what;
    Signed own, copy;
    platform::Status expected;
  } kCases[] = {
      {"same certificate, chain not built here", chained, chained, platform::kErrorSuccess},
      {"same certificate, root not trusted here", root_unknown, root_unknown,
       platform::kErrorSuccess},
      {"renewal, chain not built here",
       chained,
       {CERT_E_CHAINING, CERT_TRUST_IS_PARTIAL_CHAIN, "2027"},
       platform::kErrorPublisherNotTrustedHere},
      {"renewal, both trusted, name encoded otherwise",
       trusted,
       {ERROR_SUCCESS, 0, "2027", 0x0C},
       platform::kErrorSuccess},
      {"same certificate, file changed",
       chained,
       {TRUST_E_BAD_DIGEST, CERT_TRUST_IS_PARTIAL_CHAIN, "2026"},
       platform::kErrorNotPublishers},
      {"same certificate, expired without timestamp", expired, expired,
       platform::kErrorNotPublishers},
  };
  platform::win32::Trust = {Verify, ProviderData, FirstSigner, ::CertNameToStrW};
  for (const auto& c : kCases) {
    own_file = c.own;
    copy_file = c.copy;
    EXPECT_EQ(platform::win32::PublisherAllows(kOwnPath, nullptr, L"C:\\Lindarex\\~q1.tmp"),
              c.expected)
        << c.what;
  }
  platform::win32::Trust = {};
}

}  // namespace
