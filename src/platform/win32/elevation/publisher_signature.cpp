#include "platform/win32/elevation/publisher_signature.h"

#include <algorithm>
#include <vector>

#include "platform/process.h"
#include "platform/win32/windows/system_calls.h"

namespace platform::win32 {

namespace {

// What Windows says of one file's signature.
struct Signature {
  LONG answer = TRUST_E_NOSIGNATURE;
  DWORD chain_errors = ~DWORD{0};  // CERT_TRUST_* of the signer's chain
  std::vector<BYTE> fingerprint;   // the signer certificate's SHA-256
  std::wstring subject;            // its subject, as text
};

// The name as text: a renewal that encodes the same name otherwise (a
// UTF8String where there was a PrintableString) reads the same.
std::wstring NameText(const BYTE* encoded, DWORD size_encoded) {
  if (encoded == nullptr) return {};
  // CertNameToStrW only reads the name it is given.
  CERT_NAME_BLOB name = {size_encoded, const_cast<BYTE*>(encoded)};
  const DWORD flags = CERT_X500_NAME_STR;
  const DWORD size = System.CertNameToStrW(X509_ASN_ENCODING, &name, flags, nullptr, 0);
  if (size <= 1) return {};
  std::wstring text(size, L'\0');
  if (System.CertNameToStrW(X509_ASN_ENCODING, &name, flags, &text[0], size) != size) return {};
  text.resize(size - 1);
  return text;
}

// The certificate that signed the file, taken from the state WinVerifyTrust
// keeps; it is there whenever the signature itself could be read, whatever
// the chain's answer.
void ReadSigner(HANDLE state, Signature& signature) {
  CRYPT_PROVIDER_DATA* const provider = System.WTHelperProvDataFromStateData(state);
  CRYPT_PROVIDER_SGNR* const signer =
      provider == nullptr ? nullptr : System.WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
  if (signer == nullptr || signer->csCertChain == 0 || signer->pasCertChain[0].pCert == nullptr) {
    return;
  }
  const CERT_CONTEXT& leaf = *signer->pasCertChain[0].pCert;
  std::vector<BYTE> fingerprint(kFingerprintSize);
  DWORD size = kFingerprintSize;
  if (!System.CryptHashCertificate2(BCRYPT_SHA256_ALGORITHM, 0, nullptr, leaf.pbCertEncoded,
                                    leaf.cbCertEncoded, fingerprint.data(), &size) ||
      size != kFingerprintSize) {
    return;
  }
  signature.fingerprint = fingerprint;
  const CERT_NAME_BLOB& subject = leaf.pCertInfo->Subject;
  signature.subject = NameText(subject.pbData, subject.cbData);
  if (signer->pChainContext != nullptr) {
    signature.chain_errors = signer->pChainContext->TrustStatus.dwErrorStatus;
  }
}

// Revocation is not asked, and nothing is fetched from the network: an
// update runs from a disc, often offline.
Signature SignatureOf(HANDLE file, const std::wstring& path) {
  WINTRUST_FILE_INFO file_info = {};
  file_info.cbStruct = sizeof file_info;
  file_info.pcwszFilePath = path.c_str();
  file_info.hFile = file;
  WINTRUST_DATA data = {};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file_info;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const auto no_window = static_cast<HWND>(INVALID_HANDLE_VALUE);
  Signature signature;
  signature.answer = System.WinVerifyTrust(no_window, &action, &data);
  if (data.hWVTStateData != nullptr) ReadSigner(data.hWVTStateData, signature);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  System.WinVerifyTrust(no_window, &action, &data);
  return signature;
}

// The provider answers from its last step, the chain's policy, only once the
// file's digest and the signature over it have verified: a changed file
// answers TRUST_E_BAD_DIGEST, an unsigned one TRUST_E_NOSIGNATURE, before any
// chain is built. Of the chain's answers, these two say only that its root
// is not one this PC trusts (a root Windows has not fetched, a private or
// self-signed one), and are taken as such only when the chain has no other
// fault: the answer names one fault of several, and an expired certificate
// without a timestamp must not pass for one whose root is merely unknown.
bool OnlyTheRootIsUnknown(const Signature& signature) {
  constexpr DWORD kRootFaults = CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN;
  return (signature.answer == CERT_E_UNTRUSTEDROOT || signature.answer == CERT_E_CHAINING) &&
         (signature.chain_errors & ~kRootFaults) == 0;
}

bool Intact(const Signature& signature) {
  return !signature.fingerprint.empty() &&
         (signature.answer == ERROR_SUCCESS || OnlyTheRootIsUnknown(signature));
}

bool MadeWithPinned(const PublisherPin& pin, const Signature& signature) {
  return pin.fingerprint != nullptr && Intact(signature) &&
         std::equal(signature.fingerprint.begin(), signature.fingerprint.end(), pin.fingerprint);
}

}  // namespace

Status PublisherAllows(const PublisherPin& pin, HANDLE file, const std::wstring& path) {
  if (!LoadTrust()) return kErrorNotPublishers;
  const Signature copy = SignatureOf(file, path);
  if (MadeWithPinned(pin, copy)) return kErrorSuccess;
  // A renewed certificate is another certificate: it is taken for the
  // publisher's only where Windows trusts its chain, by the name the consent
  // prompt shows as the verified publisher, which is part of that subject.
  const bool pinned_name =
      !copy.subject.empty() && copy.subject == NameText(pin.subject, pin.subject_size);
  if (copy.answer == ERROR_SUCCESS && pinned_name) return kErrorSuccess;
  // Only a certificate in the publisher's name gets the advice to ask
  // whoever looks after this PC to trust it.
  return Intact(copy) && pinned_name ? kErrorPublisherNotTrustedHere : kErrorNotPublishers;
}

Status CheckPublisher(HANDLE file, const std::wstring& path) {
  if (kBuildPublisherPin.fingerprint == nullptr || !IsElevated()) return kErrorSuccess;
  return PublisherAllows(kBuildPublisherPin, file, path);
}

}  // namespace platform::win32
