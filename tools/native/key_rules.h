#pragma once

#include <openssl/evp.h>

#include <cstddef>
#include <string>
#include <vector>

// Which keys a release takes, one rule per use: the tools that use a key
// (package_tool, trust_tool), the release's input checks and the configure
// step (through key_check) all ask here.
namespace native {

enum class KeyUse {
  kPackageSigning,  // RSA-1024: the packages' signature line holds 128 bytes
  kVariationsSeed,  // EC P-256
  kTrustList,       // RSA-1024: the installer's table of trust keys
  kCodeSigning,     // RSA of 2048 bits or more, or EC P-256 or P-384
};

// Empty when `key` suits `use`; otherwise "an RSA-2048 key, not RSA-1024".
std::string KeyUseError(EVP_PKEY* key, KeyUse use);

// Key numbers 0 to 9 are built into the installer.
inline constexpr size_t kTrustKeyCount = 10;

// The entries of a trust key table file: kTrustKeyCount lines, each the
// base64 DER SubjectPublicKeyInfo of an RSA-1024 public key, as
// `trust_tool key-table` writes it and the installer's build reads it. False,
// with `error` saying why (naming `path`), otherwise.
bool ReadTrustKeyTable(const std::string& path, std::vector<std::string>* entries,
                       std::string* error);

// The DER SubjectPublicKeyInfo of a key's public half; empty on failure.
std::string PublicKeyDer(EVP_PKEY* key);

}  // namespace native
