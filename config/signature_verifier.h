#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace config {

// DER SubjectPublicKeyInfo of the built-in RSA key `key_number`; empty when
// the table has no such entry or its base64 does not decode.
std::string GetPublicKey(uint16_t key_number);

// Checks an RSA PKCS #1 v1.5 SHA-1 signature with CryptoAPI. Made for one
// verification; owns the provider context, the hash and the key.
class SignatureVerifier {
 public:
  SignatureVerifier() = default;
  ~SignatureVerifier();
  SignatureVerifier(const SignatureVerifier&) = delete;
  SignatureVerifier& operator=(const SignatureVerifier&) = delete;

  // `signature` is big-endian, as other systems write it.
  bool Verify(std::string_view signature, std::string_view public_key_der, std::string_view data);

 private:
  bool Initialize();
  bool HashData(std::string_view data);
  bool ImportPublicKey(std::string_view public_key_der);
  bool VerifySignature(std::string_view signature);
  void Cleanup();

  HCRYPTPROV context_ = 0;
  HCRYPTHASH hash_ = 0;
  HCRYPTKEY key_ = 0;
};

}  // namespace config
