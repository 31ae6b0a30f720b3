#pragma once

#include <openssl/evp.h>

#include <memory>
#include <string>

// Reading the PEM keys the distributors' tools sign with, without ever asking
// for a pass phrase: the tools run in builds where nobody could answer.
namespace native {

struct KeyDeleter {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyDeleter>;

// The private key in the PEM file `path`; null, with `error` saying why
// (unreadable, encrypted, no private key), otherwise.
KeyPtr ReadPrivateKey(const std::string& path, std::string* error);

// The key in `path`, a PEM private key or public key; null, with `error`
// saying why, otherwise.
KeyPtr ReadPublicOrPrivateKey(const std::string& path, std::string* error);

// What a key is, for messages: "RSA-2048", "EC P-256", ...
std::string DescribeKey(EVP_PKEY* key);

}  // namespace native
