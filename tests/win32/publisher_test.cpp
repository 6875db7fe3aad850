// Which new program an elevated run of a signed Quadrivo.exe installs, with
// WinVerifyTrust answering as Windows does on an office PC: Wine trusts any
// self-signed root, Windows answers for the chain when it has not met it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/elevation/publisher_signature.h"
#include "platform/win32/elevation/trust_calls.h"

namespace {

using platform::win32::Trust;

// What WinVerifyTrust finds in one file.
struct Signed {
  LONG answer;
  DWORD chain_errors;
  std::string certificate;  // stands for the encoded certificate
  BYTE name_tag;            // how its subject's text is encoded
  const char* common_name;
};

constexpr BYTE kPrintable = 0x13;  // PrintableString
constexpr BYTE kUtf8 = 0x0C;       // UTF8String
constexpr DWORD kUntrustedRoot = CERT_TRUST_IS_UNTRUSTED_ROOT;
constexpr DWORD kPartialChain = CERT_TRUST_IS_PARTIAL_CHAIN;

// A subject of one common name, DER-encoded as a certificate carries it.
std::vector<BYTE> Subject(BYTE tag, const std::string& common_name) {
  const auto n = static_cast<BYTE>(common_name.size());
  std::vector<BYTE> name = {0x30, static_cast<BYTE>(n + 11),
                            0x31, static_cast<BYTE>(n + 9),
                            0x30, static_cast<BYTE>(n + 7),
                            0x06, 0x03,
                            0x55, 0x04,
                            0x03, tag,
                            n};
  name.insert(name.end(), common_name.begin(), common_name.end());
  return name;
}

// The state WinVerifyTrust keeps for one file, as the helpers read it.
struct State {
  std::vector<BYTE> encoded, subject;
  CERT_INFO info = {};
  CERT_CONTEXT certificate = {};
  CRYPT_PROVIDER_CERT chain_entry = {};
  CERT_CHAIN_CONTEXT chain = {};
  CRYPT_PROVIDER_SGNR signer = {};

  LONG Hold(const Signed& file) {
    encoded.assign(file.certificate.begin(), file.certificate.end());
    subject = Subject(file.name_tag, file.common_name);
    info.Subject = {static_cast<DWORD>(subject.size()), subject.data()};
    certificate = {X509_ASN_ENCODING, encoded.data(), static_cast<DWORD>(encoded.size()), &info,
                   nullptr};
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
  State& state = own ? own_state : copy_state;
  data->hWVTStateData = &state;
  return state.Hold(own ? own_file : copy_file);
}

CRYPT_PROVIDER_DATA* WINAPI ProviderData(HANDLE state) {
  return reinterpret_cast<CRYPT_PROVIDER_DATA*>(state);
}

CRYPT_PROVIDER_SGNR* WINAPI FirstSigner(CRYPT_PROVIDER_DATA* provider, DWORD, BOOL, DWORD) {
  return &reinterpret_cast<State*>(provider)->signer;
}

struct PublisherCase {
  const char* what;
  Signed own, copy;
  platform::Status expected;
};

void PrintTo(const PublisherCase& c, std::ostream* os) { *os << c.what; }

const PublisherCase kPublisherCases[] = {
    {"SameCertificateChainNotBuiltHere",
     {CERT_E_CHAINING, kPartialChain, "Brivanta 2026", kPrintable, "Brivanta"},
     {CERT_E_CHAINING, kPartialChain, "Brivanta 2026", kPrintable, "Brivanta"},
     platform::kErrorSuccess},
    {"SameCertificateRootNotTrustedHere",
     {CERT_E_UNTRUSTEDROOT, kUntrustedRoot, "Brivanta 2026", kPrintable, "Brivanta"},
     {CERT_E_UNTRUSTEDROOT, kUntrustedRoot, "Brivanta 2026", kPrintable, "Brivanta"},
     platform::kErrorSuccess},
    {"RenewedCertificateChainNotBuiltHere",
     {CERT_E_CHAINING, kPartialChain, "Brivanta 2026", kPrintable, "Brivanta"},
     {CERT_E_CHAINING, kPartialChain, "Brivanta 2027", kPrintable, "Brivanta"},
     platform::kErrorPublisherNotTrustedHere},
    {"RenewedCertificateTrustedNameEncodedOtherwise",
     {ERROR_SUCCESS, 0, "Brivanta 2026", kPrintable, "Brivanta"},
     {ERROR_SUCCESS, 0, "Brivanta 2027", kUtf8, "Brivanta"},
     platform::kErrorSuccess},
    {"AnotherPublisherTrusted",
     {ERROR_SUCCESS, 0, "Brivanta 2026", kPrintable, "Brivanta"},
     {ERROR_SUCCESS, 0, "Altro 2026", kPrintable, "Altro"},
     platform::kErrorNotPublishers},
    {"SameCertificateFileChanged",
     {CERT_E_CHAINING, kPartialChain, "Brivanta 2026", kPrintable, "Brivanta"},
     {TRUST_E_BAD_DIGEST, kPartialChain, "Brivanta 2026", kPrintable, "Brivanta"},
     platform::kErrorNotPublishers},
    {"SameCertificateExpiredWithoutTimestamp",
     {CERT_E_UNTRUSTEDROOT, kUntrustedRoot | CERT_TRUST_IS_NOT_TIME_VALID, "Brivanta 2026",
      kPrintable, "Brivanta"},
     {CERT_E_UNTRUSTEDROOT, kUntrustedRoot | CERT_TRUST_IS_NOT_TIME_VALID, "Brivanta 2026",
      kPrintable, "Brivanta"},
     platform::kErrorNotPublishers},
};

class PublisherTest : public testing::TestWithParam<PublisherCase> {
 protected:
  void SetUp() override { Trust = {Verify, ProviderData, FirstSigner, ::CertNameToStrW}; }
  void TearDown() override { Trust = {}; }
};

TEST_P(PublisherTest, InstallsOnlyTheSameCertificateOrATrustedRenewal) {
  own_file = GetParam().own;
  copy_file = GetParam().copy;
  EXPECT_EQ(platform::win32::PublisherAllows(kOwnPath, nullptr, L"C:\\Lindarex\\~q1.tmp"),
            GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Answers, PublisherTest, testing::ValuesIn(kPublisherCases),
                         [](const testing::TestParamInfo<PublisherCase>& info) {
                           return std::string(info.param.what);
                         });

}  // namespace
