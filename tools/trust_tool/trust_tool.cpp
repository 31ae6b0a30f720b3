// Release tool: from the chains of the signing certificates a setup program is
// signed with, writes the trusted list ("TRUSTED.JSON") and its RSA signature
// with a key number ("SIGNATURE.DAT"), the two resources the installer checks
// before it runs a downloaded setup.
#include <jansson.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kKeyCount = 10;  // Key numbers 0 to 9 are built into the installer.
constexpr int kKeyBits = 1024;

const char kUsage[] =
    "usage:\n"
    "  trust_tool sign --private-key KEY.pem --key-number N --output-dir DIR\n"
    "                  (CHAIN.pem... | --trusted-json FILE)\n"
    "      Writes DIR/TRUSTED.JSON and DIR/SIGNATURE.DAT. Each CHAIN.pem holds a\n"
    "      signing certificate followed by the certificate that issued it; the list\n"
    "      names each pair by the issuer's serial number followed by the signer's.\n"
    "      With --trusted-json the given text is signed as it is instead.\n"
    "      KEY.pem is the RSA-1024 private key of table entry N (0 to 9).\n"
    "  trust_tool key-table KEY_0.pem ... KEY_9.pem\n"
    "      Prints the public key table of ten keys, one base64 SubjectPublicKeyInfo\n"
    "      a line in key number order, for the installer's LITE_TRUST_KEY_TABLE build option.\n"
    "  trust_tool --help\n";

struct Free {
  void operator()(BIO* p) const { BIO_free(p); }
  void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
  void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
  void operator()(X509* p) const { X509_free(p); }
  void operator()(json_t* p) const { json_decref(p); }
  void operator()(char* p) const { std::free(p); }
};
template <typename T>
using Owned = std::unique_ptr<T, Free>;

bool Fail(const std::string& message) {
  std::fprintf(stderr, "trust_tool: %s\n", message.c_str());
  const unsigned long error = ERR_get_error();
  if (error != 0) std::fprintf(stderr, "  openssl: %s\n", ERR_error_string(error, nullptr));
  return false;
}

bool ReadFile(const std::string& path, std::string* data) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return Fail("cannot read " + path);
  data->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return true;
}

bool WriteFile(const std::string& path, const std::string& data) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(data.data(), static_cast<std::streamsize>(data.size()));
  file.close();
  if (!file) return Fail("cannot write " + path);
  return true;
}

std::string Base64(const std::string& bytes) {
  std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                     reinterpret_cast<const unsigned char*>(bytes.data()),
                                     static_cast<int>(bytes.size()));
  text.resize(static_cast<size_t>(length));
  return text;
}

Owned<EVP_PKEY> ReadKey(const std::string& path) {
  Owned<BIO> bio(BIO_new_file(path.c_str(), "r"));
  if (!bio) {
    Fail("cannot read " + path);
    return nullptr;
  }
  Owned<EVP_PKEY> key(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
  if (!key) {
    Fail(path + " holds no PEM private key");
    return nullptr;
  }
  if (EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_RSA || EVP_PKEY_get_bits(key.get()) != kKeyBits) {
    Fail(path + " is not an RSA key of " + std::to_string(kKeyBits) + " bits");
    return nullptr;
  }
  return key;
}

// The serial's DER content octets, big-endian, with the leading zero byte a
// positive serial with its high bit set carries: the bytes Windows keeps.
bool SerialBytes(X509* certificate, std::string* bytes) {
  const ASN1_INTEGER* serial = X509_get0_serialNumber(certificate);
  unsigned char* der = nullptr;
  const int der_length = i2d_ASN1_INTEGER(serial, &der);
  if (der_length <= 0) return Fail("cannot encode a serial number");
  Owned<char> holder(reinterpret_cast<char*>(der));
  const unsigned char* cursor = der;
  long length = 0;
  int tag = 0;
  int object_class = 0;
  if (ASN1_get_object(&cursor, &length, &tag, &object_class, der_length) & 0x80) {
    return Fail("malformed serial number");
  }
  bytes->assign(reinterpret_cast<const char*>(cursor), static_cast<size_t>(length));
  return true;
}

std::string CommonName(X509* certificate) {
  char name[256] = {};
  X509_NAME_get_text_by_NID(X509_get_subject_name(certificate), NID_commonName, name, sizeof(name));
  return name;
}

// One list entry from a chain file: the signer, then its issuer.
bool AddChain(const std::string& path, json_t* certificates) {
  Owned<BIO> bio(BIO_new_file(path.c_str(), "r"));
  if (!bio) return Fail("cannot read " + path);
  Owned<X509> signer(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
  Owned<X509> issuer(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
  if (!signer || !issuer) {
    return Fail(path + " must hold two PEM certificates: the signer, then its issuer");
  }
  if (X509_check_issued(issuer.get(), signer.get()) != X509_V_OK) {
    return Fail("in " + path + " the second certificate did not issue the first");
  }
  std::string issuer_serial;
  std::string signer_serial;
  if (!SerialBytes(issuer.get(), &issuer_serial) || !SerialBytes(signer.get(), &signer_serial)) {
    return false;
  }
  json_t* entry = json_object();
  json_object_set_new(entry, "id", json_string(Base64(issuer_serial + signer_serial).c_str()));
  json_object_set_new(entry, "name", json_string(CommonName(signer.get()).c_str()));
  json_array_append_new(certificates, entry);
  return true;
}

bool BuildTrustedJson(const std::vector<std::string>& chains, std::string* text) {
  Owned<json_t> root(json_object());
  json_t* certificates = json_array();
  json_t* info = json_object();
  json_object_set_new(info, "certificates", certificates);
  json_object_set_new(root.get(), "trusted_info", info);
  for (const std::string& chain : chains) {
    if (!AddChain(chain, certificates)) return false;
  }
  Owned<char> dumped(json_dumps(root.get(), JSON_INDENT(2)));
  if (!dumped) return Fail("cannot serialise the trusted list");
  *text = std::string(dumped.get()) + "\n";
  return true;
}

// RSA PKCS #1 v1.5 over SHA-1, big-endian, as the installer verifies it.
bool Sign(EVP_PKEY* key, const std::string& data, std::string* signature) {
  Owned<EVP_MD_CTX> context(EVP_MD_CTX_new());
  size_t length = 0;
  if (!context || EVP_DigestSignInit(context.get(), nullptr, EVP_sha1(), nullptr, key) != 1 ||
      EVP_DigestSign(context.get(), nullptr, &length,
                     reinterpret_cast<const unsigned char*>(data.data()), data.size()) != 1) {
    return Fail("cannot start the signature");
  }
  signature->resize(length);
  if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature->data()), &length,
                     reinterpret_cast<const unsigned char*>(data.data()), data.size()) != 1) {
    return Fail("cannot sign the trusted list");
  }
  signature->resize(length);
  return true;
}

bool ParseKeyNumber(const char* text, int* number) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (*text == '\0' || *end != '\0' || value < 0 || value >= kKeyCount) {
    return Fail(std::string("--key-number must be 0 to ") + std::to_string(kKeyCount - 1) +
                ", not \"" + text + "\"");
  }
  *number = static_cast<int>(value);
  return true;
}

int RunSign(int argc, char** argv) {
  std::string key_path;
  std::string output_dir;
  std::string json_path;
  int key_number = -1;
  std::vector<std::string> chains;
  for (int i = 0; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool has_value = i + 1 < argc;
    if (argument == "--private-key" && has_value) {
      key_path = argv[++i];
    } else if (argument == "--output-dir" && has_value) {
      output_dir = argv[++i];
    } else if (argument == "--trusted-json" && has_value) {
      json_path = argv[++i];
    } else if (argument == "--key-number" && has_value) {
      if (!ParseKeyNumber(argv[++i], &key_number)) return 2;
    } else if (argument.rfind("--", 0) == 0) {
      Fail("unknown option or missing value: " + argument);
      return 2;
    } else {
      chains.push_back(argument);
    }
  }
  if (key_path.empty() || output_dir.empty() || key_number < 0 ||
      chains.empty() == json_path.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  Owned<EVP_PKEY> key = ReadKey(key_path);
  std::string json;
  const bool have_json =
      json_path.empty() ? BuildTrustedJson(chains, &json) : ReadFile(json_path, &json);
  std::string signature;
  if (!key || !have_json || !Sign(key.get(), json, &signature)) return 1;
  const std::string header{static_cast<char>(key_number & 0xFF),
                           static_cast<char>(key_number >> 8)};
  if (!WriteFile(output_dir + "/TRUSTED.JSON", json) ||
      !WriteFile(output_dir + "/SIGNATURE.DAT", header + signature)) {
    return 1;
  }
  return 0;
}

int RunKeyTable(int argc, char** argv) {
  if (argc != kKeyCount) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string table;
  for (int i = 0; i < argc; ++i) {
    Owned<EVP_PKEY> key = ReadKey(argv[i]);
    if (!key) return 1;
    unsigned char* der = nullptr;
    const int length = i2d_PUBKEY(key.get(), &der);
    if (length <= 0) {
      Fail("cannot encode the public key of " + std::string(argv[i]));
      return 1;
    }
    Owned<char> holder(reinterpret_cast<char*>(der));
    table += Base64(std::string(reinterpret_cast<char*>(der), static_cast<size_t>(length))) + "\n";
  }
  std::fputs(table.c_str(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "sign") return RunSign(argc - 2, argv + 2);
  if (command == "key-table") return RunKeyTable(argc - 2, argv + 2);
  std::fputs(kUsage, command == "--help" || command == "-h" ? stdout : stderr);
  return command == "--help" || command == "-h" ? 0 : 2;
}
