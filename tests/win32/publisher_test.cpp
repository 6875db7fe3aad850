// Which new program an elevated run of a Quadrivo.exe pinned to its
// publisher's certificate installs, with WinVerifyTrust answering as Windows
// does on an office PC: Wine trusts any self-signed root, Windows answers for
// the chain when it has not met it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/elevation/publisher_signature.h"
#include "platform/win32/windows/system_calls.h"
#include "win32/win32_test_support.h"

namespace {

// What WinVerifyTrust finds in one file: its answer, the signer chain's
// faults, the certificate (standing for its encoding), and its subject's
// common name and how that is encoded (PrintableString 0x13, UTF8String 0x0C).
struct Signed {
  LONG answer;
  DWORD chain_errors;
  std::string certificate;
  BYTE name_tag = 0x13;
  std::string name = "Brivanta";
};

// A DER element of fewer than 128 bytes of contents.
std::vector<BYTE> Element(BYTE tag, std::vector<BYTE> contents) {
  contents.insert(contents.begin(), {tag, static_cast<BYTE>(contents.size())});
  return contents;
}

// The subject Name CN=<name>, DER-encoded: a SEQUENCE of one SET of one
// SEQUENCE of the commonName's OID and the name.
std::vector<BYTE> SubjectName(const std::string& name, BYTE name_tag) {
  std::vector<BYTE> common_name = {0x06, 0x03, 0x55, 0x04, 0x03};
  const std::vector<BYTE> value = Element(name_tag, {name.begin(), name.end()});
  common_name.insert(common_name.end(), value.begin(), value.end());
  return Element(0x30, Element(0x31, Element(0x30, common_name)));
}

// The state WinVerifyTrust keeps for one file, as the helpers read it.
struct State {
  std::vector<BYTE> subject;
  CERT_INFO info = {};
  CERT_CONTEXT certificate = {};
  CRYPT_PROVIDER_CERT chain_entry = {};
  CERT_CHAIN_CONTEXT chain = {};
  CRYPT_PROVIDER_SGNR signer = {};

  LONG Hold(Signed& file) {
    subject = SubjectName(file.name, file.name_tag);
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

Signed copy_file;
State copy_state;

LONG WINAPI Verify(HWND, GUID*, LPVOID argument) {
  auto* const data = static_cast<WINTRUST_DATA*>(argument);
  if (data->dwStateAction == WTD_STATEACTION_CLOSE) return ERROR_SUCCESS;
  data->hWVTStateData = &copy_state;
  return copy_state.Hold(copy_file);
}

CRYPT_PROVIDER_DATA* WINAPI ProviderData(HANDLE state) {
  return reinterpret_cast<CRYPT_PROVIDER_DATA*>(state);
}

CRYPT_PROVIDER_SGNR* WINAPI FirstSigner(CRYPT_PROVIDER_DATA* provider, DWORD, BOOL, DWORD) {
  return &reinterpret_cast<State*>(provider)->signer;
}

// The SHA-256 of a certificate's encoding, as Windows computes it.
std::vector<BYTE> Fingerprint(std::string certificate) {
  std::vector<BYTE> fingerprint(platform::win32::kFingerprintSize);
  DWORD size = platform::win32::kFingerprintSize;
  EXPECT_TRUE(::CryptHashCertificate2(
      BCRYPT_SHA256_ALGORITHM, 0, nullptr, reinterpret_cast<const BYTE*>(certificate.data()),
      static_cast<DWORD>(certificate.size()), fingerprint.data(), &size));
  return fingerprint;
}

TEST(PublisherTest, InstallsOnlyThePinnedCertificateOrATrustedRenewal) {
  const Signed chained{CERT_E_CHAINING, CERT_TRUST_IS_PARTIAL_CHAIN, "2026"};
  const Signed root_unknown{CERT_E_UNTRUSTEDROOT, CERT_TRUST_IS_UNTRUSTED_ROOT, "2026"};
  const Signed expired{CERT_E_UNTRUSTEDROOT,
                       CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_NOT_TIME_VALID, "2026"};
  const Signed trusted{ERROR_SUCCESS, 0, "2026"};
  const struct {
    const char* what;
    Signed copy;
    platform::Status expected;
  } kCases[] = {
      {"pinned certificate, chain not built here", chained, platform::kErrorSuccess},
      {"pinned certificate, root not trusted here", root_unknown, platform::kErrorSuccess},
      {"renewal, chain not built here",
       {CERT_E_CHAINING, CERT_TRUST_IS_PARTIAL_CHAIN, "2027"},
       platform::kErrorPublisherNotTrustedHere},
      {"renewal, trusted, name encoded otherwise",
       {ERROR_SUCCESS, 0, "2027", 0x0C},
       platform::kErrorSuccess},
      {"pinned certificate, file changed",
       {TRUST_E_BAD_DIGEST, CERT_TRUST_IS_PARTIAL_CHAIN, "2026"},
       platform::kErrorNotPublishers},
      {"pinned certificate, expired without timestamp", expired, platform::kErrorNotPublishers},
      // The media's Quadrivo.exe re-signed with the same certificate as the
      // copy counts for nothing: only the pin does.
      {"another certificate of another subject, chain not built here",
       {CERT_E_CHAINING, CERT_TRUST_IS_PARTIAL_CHAIN, "utente", 0x13, "Utente"},
       platform::kErrorNotPublishers},
  };
  const std::vector<BYTE> fingerprint = Fingerprint(trusted.certificate);
  const std::vector<BYTE> subject = SubjectName(trusted.name, trusted.name_tag);
  const platform::win32::PublisherPin pin = {fingerprint.data(), subject.data(),
                                             static_cast<DWORD>(subject.size())};
  const win32_test::SystemCallsKept kept;
  platform::win32::System.WinVerifyTrust = Verify;
  platform::win32::System.WTHelperProvDataFromStateData = ProviderData;
  platform::win32::System.WTHelperGetProvSignerFromChain = FirstSigner;
  platform::win32::System.CertNameToStrW = ::CertNameToStrW;
  platform::win32::System.CryptHashCertificate2 = ::CryptHashCertificate2;
  for (const auto& c : kCases) {
    copy_file = c.copy;
    EXPECT_EQ(platform::win32::PublisherAllows(pin, nullptr, L"C:\\Lindarex\\~q1.tmp"), c.expected)
        << c.what;
  }
}

}  // namespace
