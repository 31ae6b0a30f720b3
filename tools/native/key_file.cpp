#include "tools/native/key_file.h"

#include <openssl/bio.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/pem.h>

#include <cerrno>
#include <cstring>

namespace native {
namespace {

struct BioDeleter {
  void operator()(BIO* bio) const { BIO_free(bio); }
};

// Refuses to give a pass phrase and notes that one was asked for.
int NoPassphrase(char*, int, int, void* asked) {
  *static_cast<bool*>(asked) = true;
  return -1;
}

std::unique_ptr<BIO, BioDeleter> OpenFile(const std::string& path, std::string* error) {
  std::unique_ptr<BIO, BioDeleter> bio(BIO_new_file(path.c_str(), "r"));
  if (!bio) *error = "cannot read " + path + ": " + std::strerror(errno);
  return bio;
}

}  // namespace

KeyPtr ReadPrivateKey(const std::string& path, std::string* error) {
  auto bio = OpenFile(path, error);
  if (!bio) return nullptr;
  bool asked = false;
  KeyPtr key(PEM_read_bio_PrivateKey(bio.get(), nullptr, NoPassphrase, &asked));
  ERR_clear_error();
  if (!key) {
    *error = asked ? path +
                         " is encrypted: give the key without a pass phrase "
                         "(openssl pkey -in KEY -out PLAIN_KEY)"
                   : path + " holds no PEM private key";
  }
  return key;
}

KeyPtr ReadPublicOrPrivateKey(const std::string& path, std::string* error) {
  auto bio = OpenFile(path, error);
  if (!bio) return nullptr;
  KeyPtr key(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
  if (key) return key;
  ERR_clear_error();
  std::string private_error;
  key = ReadPrivateKey(path, &private_error);
  if (!key) *error = path + " holds no PEM public or private key";
  if (!key && private_error.find("encrypted") != std::string::npos) *error = private_error;
  return key;
}

std::string DescribeKey(EVP_PKEY* key) {
  const int bits = EVP_PKEY_get_bits(key);
  switch (EVP_PKEY_get_base_id(key)) {
    case EVP_PKEY_RSA:
      return "RSA-" + std::to_string(bits);
    case EVP_PKEY_EC: {
      char curve[64] = {};
      size_t length = 0;
      EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, curve, sizeof(curve),
                                     &length);
      // NIST's names ("P-256") where the curve has one, as distributors know them.
      const char* nist = EC_curve_nid2nist(OBJ_sn2nid(curve));
      return std::string("EC ") + (nist != nullptr ? nist : curve);
    }
    default:
      return std::string(EVP_PKEY_get0_type_name(key)) + " " + std::to_string(bits) + " bits";
  }
}

}  // namespace native
