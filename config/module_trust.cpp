#include "config/module_trust.h"

#include <jansson.h>
#include <softpub.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/base64.h"
#include "base/log.h"
#include "base/scoped_handle.h"
#include "config/json_reader.h"
#include "config/signature_verifier.h"

namespace config {

namespace {

// mingw-w64's wintrust.h predates the signature settings that select one
// signature of a multiply signed file; these follow the platform's layout.
struct SignatureSettings {
  DWORD cbStruct;
  DWORD dwIndex;
  DWORD dwFlags;
  DWORD cSecondarySigs;
  DWORD dwVerifiedSigIndex;
  CERT_STRONG_SIGN_PARA* pCryptoPolicy;
};
struct TrustDataWithSettings {
  WINTRUST_DATA data;
  SignatureSettings* pSignatureSettings;
};
static_assert(offsetof(TrustDataWithSettings, pSignatureSettings) == sizeof(WINTRUST_DATA),
              "pSignatureSettings must follow dwUIContext");
constexpr DWORD kWssVerifySpecific = 0x00000001;
constexpr DWORD kWssGetSecondarySigCount = 0x00000002;

// One trust request for a file, verifying one signature at a time; owns the
// verification state and closes it.
class TrustRequest {
 public:
  explicit TrustRequest(const std::wstring& path) {
    file_.cbStruct = sizeof(file_);
    file_.pcwszFilePath = path.c_str();
    settings_.cbStruct = sizeof(settings_);
    settings_.dwFlags = kWssVerifySpecific | kWssGetSecondarySigCount;
    request_.data.cbStruct = sizeof(request_);
    request_.data.dwUIChoice = WTD_UI_NONE;
    request_.data.fdwRevocationChecks = WTD_REVOKE_WHOLECHAIN;
    request_.data.dwProvFlags = WTD_REVOCATION_CHECK_CHAIN;
    request_.data.dwUnionChoice = WTD_CHOICE_FILE;
    request_.data.pFile = &file_;
    request_.data.dwUIContext = WTD_UICONTEXT_INSTALL;
    request_.pSignatureSettings = &settings_;
  }
  ~TrustRequest() { Close(); }
  TrustRequest(const TrustRequest&) = delete;
  TrustRequest& operator=(const TrustRequest&) = delete;

  // Whether the system accepts signature `index`; the first call also learns
  // how many secondary signatures there are.
  bool Verify(DWORD index) {
    Close();
    settings_.dwIndex = index;
    request_.data.dwStateAction = WTD_STATEACTION_VERIFY;
    return Call() == ERROR_SUCCESS;
  }

  CRYPT_PROVIDER_DATA* provider_data() const {
    return ::WTHelperProvDataFromStateData(request_.data.hWVTStateData);
  }
  DWORD secondary_signature_count() const { return settings_.cSecondarySigs; }

  void Close() {
    if (request_.data.hWVTStateData == nullptr) return;
    request_.data.dwStateAction = WTD_STATEACTION_CLOSE;
    Call();
    request_.data.hWVTStateData = nullptr;
  }

 private:
  LONG Call() {
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    // No interactive user is asked.
    return ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &request_.data);
  }

  WINTRUST_FILE_INFO file_ = {};
  SignatureSettings settings_ = {};
  TrustDataWithSettings request_ = {};
};

bool IsSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

// The bytes of a resource of the loaded module; empty when it is missing.
std::string_view ReadResource(HMODULE module, const wchar_t* name, const wchar_t* type) {
  HRSRC resource = ::FindResourceW(module, name, type);
  HGLOBAL loaded = resource ? ::LoadResource(module, resource) : nullptr;
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (bytes == nullptr) return std::string_view();
  return std::string_view(static_cast<const char*>(bytes), ::SizeofResource(module, resource));
}

}  // namespace

bool IsAbsolutePath(std::wstring_view path) {
  if (path.size() >= 3 &&
      ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
      path[1] == L':' && IsSlash(path[2])) {
    return true;
  }
  return path.size() >= 2 && IsSlash(path[0]) && IsSlash(path[1]);
}

std::string GetTrustJsonFromModule(const std::wstring& path) {
  if (!IsAbsolutePath(path)) {
    LOG_ERROR << "Attempting to GetTrustJsonFromModule at an invalid path: " << path;
    return std::string();
  }
  // Loaded as data: nothing of the downloaded file runs.
  const base::ScopedModule module(::LoadLibraryExW(
      path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!module.IsValid()) {
    LOG_ERROR << "Failed to load module for GetTrustJsonFromModule: " << path;
    return std::string();
  }
  const std::string_view signature = ReadResource(module.Get(), L"SIGNATURE.DAT", L"SIGNATURE_DAT");
  if (signature.size() <= 2) {
    LOG_ERROR << "Cannot find resource "
              << "SIGNATURE_DAT";
    return std::string();
  }
  const std::string_view json = ReadResource(module.Get(), L"TRUSTED.JSON", L"TRUSTED_JSON");
  if (json.empty()) {
    LOG_ERROR << "Cannot find resource "
              << "TRUSTED_JSON";
    return std::string();
  }
  const uint16_t key_number = static_cast<uint16_t>(static_cast<uint8_t>(signature[0]) |
                                                    static_cast<uint8_t>(signature[1]) << 8);
  const std::string key = GetPublicKey(key_number);
  if (key.empty()) {
    LOG_ERROR << "Cannot find key";
    return std::string();
  }
  SignatureVerifier verifier;
  if (!verifier.Verify(signature.substr(2), key, json)) {
    LOG_ERROR << "Verify error";
    return std::string();
  }
  return std::string(json);
}

bool ParseTrustedJson(std::string_view text, TrustedCertificateSet* trusted) {
  trusted->clear();
  json_error_t error;
  const JsonPtr root(json_loadb(text.data(), text.size(), 0, &error));
  json_t* info = json_object_get(root.get(), "trusted_info");
  json_t* certificates = json_object_get(info, "certificates");
  if (!json_is_object(root.get()) || !json_is_object(info) || !json_is_array(certificates)) {
    return false;
  }
  size_t index = 0;
  json_t* element = nullptr;
  json_array_foreach(certificates, index, element) {
    json_t* id = json_object_get(element, "id");
    std::string bytes;
    if (json_is_string(id) &&
        base::Base64Decode(std::string_view(json_string_value(id), json_string_length(id)),
                           &bytes)) {
      trusted->insert(std::move(bytes));
    }
  }
  return true;
}

std::string BuildCertificatePairId(std::string_view issuer_serial, std::string_view signer_serial) {
  return std::string(issuer_serial.rbegin(), issuer_serial.rend()) +
         std::string(signer_serial.rbegin(), signer_serial.rend());
}

bool ReadAcceptedSignature(CRYPT_PROVIDER_DATA* provider_data, AcceptedSignature* signature) {
  if (provider_data == nullptr || provider_data->csSigners != 1) return false;
  CRYPT_PROVIDER_SGNR* signer = ::WTHelperGetProvSignerFromChain(provider_data, 0, FALSE, 0);
  if (signer == nullptr || signer->csCertChain < 2) return false;
  CRYPT_PROVIDER_CERT* signing = ::WTHelperGetProvCertFromChain(signer, 0);
  CRYPT_PROVIDER_CERT* issuing = ::WTHelperGetProvCertFromChain(signer, 1);
  if (signing == nullptr || issuing == nullptr || signing->pCert == nullptr ||
      issuing->pCert == nullptr) {
    return false;
  }
  const CERT_INFO* signing_info = signing->pCert->pCertInfo;
  const CRYPT_INTEGER_BLOB& issuer_serial = issuing->pCert->pCertInfo->SerialNumber;
  const CRYPT_INTEGER_BLOB& signer_serial = signing_info->SerialNumber;
  signature->id = BuildCertificatePairId(
      std::string_view(reinterpret_cast<const char*>(issuer_serial.pbData), issuer_serial.cbData),
      std::string_view(reinterpret_cast<const char*>(signer_serial.pbData), signer_serial.cbData));
  const char* algorithm = signing_info->SignatureAlgorithm.pszObjId;
  signature->algorithm = algorithm ? algorithm : "";
  return true;
}

bool TrustDecision::Add(const AcceptedSignature& signature) {
  const bool listed = trusted_.count(signature.id) != 0;
  if (signature.algorithm == kSha256RsaOid) {
    sha256_seen_ = true;
    matched_ = listed;
    return listed;
  }
  if (!sha256_seen_ && listed) matched_ = true;
  return false;
}

bool IsModuleTrusted(const TrustedCertificateSet& trusted, const std::wstring& path) {
  if (trusted.empty()) return false;
  TrustRequest request(path);
  TrustDecision decision(trusted);
  for (DWORD index = 0; index <= request.secondary_signature_count(); ++index) {
    AcceptedSignature signature;
    if (request.Verify(index) && ReadAcceptedSignature(request.provider_data(), &signature) &&
        decision.Add(signature)) {
      return true;
    }
  }
  return decision.trusted();
}

bool IsModuleTrusted(const std::wstring& path) {
  TrustedCertificateSet trusted;
  ParseTrustedJson(GetTrustJsonFromModule(path), &trusted);
  return IsModuleTrusted(trusted, path);
}

}  // namespace config
