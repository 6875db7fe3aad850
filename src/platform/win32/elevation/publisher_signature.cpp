#include "platform/win32/elevation/publisher_signature.h"

#include <softpub.h>
#include <wintrust.h>

#include <vector>

#include "platform/process.h"
#include "platform/win32/elevation/own_program_path.h"
#include "platform/win32/windows/system_library.h"

namespace platform::win32 {

namespace {

// The header of the image as loaded says whether the file carries a
// signature, so that an unsigned build loads no DLL to learn it.
bool CarriesSignature() {
  const auto* const image = reinterpret_cast<const BYTE*>(::GetModuleHandleW(nullptr));
  const auto* const dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
  const auto* const headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
  return headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY].Size != 0;
}

// wintrust and crypt32 are loaded only by a signed program's elevated run.
struct TrustFunctions {
  decltype(::WinVerifyTrust)* verify;
  decltype(::WTHelperProvDataFromStateData)* provider_data;
  decltype(::WTHelperGetProvSignerFromChain)* signer;
  decltype(::CertCompareCertificateName)* same_name;
};

const TrustFunctions* LoadTrust() {
  static const TrustFunctions trust = {
      SystemFunction<decltype(::WinVerifyTrust)>(L"wintrust.dll", "WinVerifyTrust"),
      SystemFunction<decltype(::WTHelperProvDataFromStateData)>(L"wintrust.dll",
                                                                "WTHelperProvDataFromStateData"),
      SystemFunction<decltype(::WTHelperGetProvSignerFromChain)>(L"wintrust.dll",
                                                                 "WTHelperGetProvSignerFromChain"),
      SystemFunction<decltype(::CertCompareCertificateName)>(L"crypt32.dll",
                                                             "CertCompareCertificateName"),
  };
  const bool complete = trust.verify != nullptr && trust.provider_data != nullptr &&
                        trust.signer != nullptr && trust.same_name != nullptr;
  return complete ? &trust : nullptr;
}

// The subject name, as encoded, of the certificate that signed the file.
std::vector<BYTE> LeafSubject(const TrustFunctions& trust, HANDLE state) {
  CRYPT_PROVIDER_DATA* const provider = trust.provider_data(state);
  CRYPT_PROVIDER_SGNR* const signer =
      provider == nullptr ? nullptr : trust.signer(provider, 0, FALSE, 0);
  if (signer == nullptr || signer->csCertChain == 0 || signer->pasCertChain[0].pCert == nullptr) {
    return {};
  }
  const CERT_NAME_BLOB& name = signer->pasCertChain[0].pCert->pCertInfo->Subject;
  return std::vector<BYTE>(name.pbData, name.pbData + name.cbData);
}

// The signer's subject when Windows finds the file's signature intact and
// trusted; empty for any other answer. Revocation is not asked, and nothing
// is fetched from the network: an update runs from a disc, often offline.
std::vector<BYTE> VerifiedSigner(const TrustFunctions& trust, HANDLE file,
                                 const std::wstring& path) {
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
  std::vector<BYTE> subject;
  if (trust.verify(no_window, &action, &data) == ERROR_SUCCESS) {
    subject = LeafSubject(trust, data.hWVTStateData);
  }
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  trust.verify(no_window, &action, &data);
  return subject;
}

// Verified once per run; empty when this program's own signature does not
// verify, and then nothing is installed.
const std::vector<BYTE>& OwnSigner(const TrustFunctions& trust) {
  static const std::vector<BYTE> subject = VerifiedSigner(trust, nullptr, OwnProgramPath());
  return subject;
}

// Copies: the call takes writable names.
bool SameName(const TrustFunctions& trust, std::vector<BYTE> one, std::vector<BYTE> other) {
  CERT_NAME_BLOB first = {static_cast<DWORD>(one.size()), one.data()};
  CERT_NAME_BLOB second = {static_cast<DWORD>(other.size()), other.data()};
  return trust.same_name(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, &first, &second);
}

}  // namespace

Status CheckPublisher(HANDLE file, const std::wstring& path) {
  if (!CarriesSignature() || !IsElevated()) return kErrorSuccess;
  const TrustFunctions* const trust = LoadTrust();
  if (trust == nullptr) return kErrorNotPublishers;
  const std::vector<BYTE>& own = OwnSigner(*trust);
  const std::vector<BYTE> copy = VerifiedSigner(*trust, file, path);
  if (own.empty() || copy.empty() || !SameName(*trust, own, copy)) return kErrorNotPublishers;
  return kErrorSuccess;
}

}  // namespace platform::win32
