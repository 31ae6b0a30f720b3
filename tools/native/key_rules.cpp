#include "tools/native/key_rules.h"

#include <openssl/x509.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "tools/native/key_file.h"

namespace native {
namespace {

constexpr int kTrustKeyBits = 1024;
constexpr int kPackageKeyBits = 1024;
constexpr int kCodeSigningMinimumRsaBits = 2048;

bool IsRsa(EVP_PKEY* key, int bits) {
  return EVP_PKEY_get_base_id(key) == EVP_PKEY_RSA && EVP_PKEY_get_bits(key) == bits;
}

std::string Base64Decode(const std::string& text) {
  std::string bytes(text.size() / 4 * 3, '\0');
  const int length = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                     reinterpret_cast<const unsigned char*>(text.data()),
                                     static_cast<int>(text.size()));
  if (length < 0 || text.size() % 4 != 0) return std::string();
  const size_t padding =
      (text.size() > 0 && text.back() == '=') + (text.size() > 1 && text[text.size() - 2] == '=');
  bytes.resize(static_cast<size_t>(length) - padding);
  return bytes;
}

}  // namespace

std::string KeyUseError(EVP_PKEY* key, KeyUse use) {
  const std::string kind = DescribeKey(key);
  switch (use) {
    case KeyUse::kPackageSigning:
      if (IsRsa(key, kPackageKeyBits)) return std::string();
      return "an " + kind + " key, not RSA-1024 (the signature line holds 128 bytes)";
    case KeyUse::kTrustList:
      if (IsRsa(key, kTrustKeyBits)) return std::string();
      return "an " + kind + " key, not RSA-1024";
    case KeyUse::kVariationsSeed:
      if (kind == "EC P-256") return std::string();
      return "an " + kind + " key, not EC P-256";
    case KeyUse::kCodeSigning:
      if ((EVP_PKEY_get_base_id(key) == EVP_PKEY_RSA &&
           EVP_PKEY_get_bits(key) >= kCodeSigningMinimumRsaBits) ||
          kind == "EC P-256" || kind == "EC P-384") {
        return std::string();
      }
      return "an " + kind + " key; code signing needs RSA of 2048 bits or more, or EC P-256/P-384";
  }
  return "an unknown use";
}

bool ReadTrustKeyTable(const std::string& path, std::vector<std::string>* entries,
                       std::string* error) {
  std::ifstream file(path);
  if (!file) {
    *error = "cannot read the key table " + path + ": " + std::strerror(errno);
    return false;
  }
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find("PRIVATE") != std::string::npos) {
      *error = path + " holds a private key: it must carry public keys only";
      return false;
    }
    if (!line.empty()) lines.push_back(line);
  }
  if (lines.size() != kTrustKeyCount) {
    *error = path + " holds " + std::to_string(lines.size()) + " keys, not " +
             std::to_string(kTrustKeyCount) + " (trust_tool key-table writes it)";
    return false;
  }
  entries->clear();
  for (const std::string& line : lines) {
    const std::string der = Base64Decode(line);
    const unsigned char* cursor = reinterpret_cast<const unsigned char*>(der.data());
    KeyPtr key(d2i_PUBKEY(nullptr, &cursor, static_cast<long>(der.size())));
    if (!key || !IsRsa(key.get(), kTrustKeyBits) || PublicKeyDer(key.get()) != der) {
      *error = path + ": entry " + std::to_string(entries->size()) +
               " is not the base64 of an RSA-1024 public key";
      return false;
    }
    entries->push_back(der);
  }
  return true;
}

std::string PublicKeyDer(EVP_PKEY* key) {
  unsigned char* der = nullptr;
  const int length = i2d_PUBKEY(key, &der);
  if (length <= 0) return std::string();
  std::string bytes(reinterpret_cast<char*>(der), static_cast<size_t>(length));
  OPENSSL_free(der);
  return bytes;
}

}  // namespace native
