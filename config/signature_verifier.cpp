#include "config/signature_verifier.h"

#include <iterator>
#include <vector>

#include "base/base64.h"
#include "base/log.h"
#include "base/scoped_handle.h"
#include "trust_key_table.h"

namespace config {

std::string GetPublicKey(uint16_t key_number) {
  std::string der;
  if (key_number >= std::size(kTrustKeyTable) ||
      !base::Base64Decode(kTrustKeyTable[key_number], &der)) {
    return std::string();
  }
  return der;
}

SignatureVerifier::~SignatureVerifier() { Cleanup(); }

bool SignatureVerifier::Verify(std::string_view signature, std::string_view public_key_der,
                               std::string_view data) {
  return Initialize() && HashData(data) && ImportPublicKey(public_key_der) &&
         VerifySignature(signature);
}

bool SignatureVerifier::Initialize() {
  Cleanup();
  if (!::CryptAcquireContextW(&context_, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
    context_ = 0;
    LOG_ERROR << "Failed to initialize crypt context, error: ";
    return false;
  }
  return true;
}

bool SignatureVerifier::HashData(std::string_view data) {
  if (!::CryptCreateHash(context_, CALG_SHA1, 0, 0, &hash_)) {
    hash_ = 0;
    LOG_ERROR << "Failed to initialize hash object, error: ";
    return false;
  }
  if (!::CryptHashData(hash_, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size()), 0)) {
    LOG_ERROR << "Failed to hash data, error: ";
    return false;
  }
  return true;
}

bool SignatureVerifier::ImportPublicKey(std::string_view public_key_der) {
  CERT_PUBLIC_KEY_INFO* info = nullptr;
  DWORD info_size = 0;
  if (!::CryptDecodeObjectEx(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, X509_PUBLIC_KEY_INFO,
                             reinterpret_cast<const BYTE*>(public_key_der.data()),
                             static_cast<DWORD>(public_key_der.size()), CRYPT_DECODE_ALLOC_FLAG,
                             nullptr, &info, &info_size)) {
    LOG_ERROR << "Failed to convert decode public key, error: ";
    return false;
  }
  const base::ScopedLocalMemory info_holder(info);
  if (!::CryptImportPublicKeyInfo(context_, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, info, &key_)) {
    key_ = 0;
    LOG_ERROR << "Failed to import crypt key, error: ";
    return false;
  }
  return true;
}

bool SignatureVerifier::VerifySignature(std::string_view signature) {
  if (signature.empty()) return false;
  // CryptoAPI reads the signature little-endian.
  std::vector<BYTE> reversed(signature.rbegin(), signature.rend());
  if (!::CryptVerifySignatureW(hash_, reversed.data(), static_cast<DWORD>(reversed.size()), key_,
                               nullptr, 0)) {
    LOG_ERROR << "Failed to verify signature, error: ";
    return false;
  }
  return true;
}

void SignatureVerifier::Cleanup() {
  if (key_ != 0 && !::CryptDestroyKey(key_)) {
    LOG_ERROR << "Failed to destroy crypt key, error: ";
  }
  key_ = 0;
  if (hash_ != 0 && !::CryptDestroyHash(hash_)) LOG_ERROR << "Failed to destroy, error: ";
  hash_ = 0;
  if (context_ != 0 && !::CryptReleaseContext(context_, 0)) {
    LOG_ERROR << "Failed to release crypt context, error: ";
  }
  context_ = 0;
}

}  // namespace config
