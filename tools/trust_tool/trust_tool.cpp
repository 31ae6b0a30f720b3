// Release tool: from the chains of the signing certificates a setup program is
// signed with, writes the trusted list ("TRUSTED.JSON") and its RSA signature
// with a key number ("SIGNATURE.DAT"), the two resources the installer checks
// before it runs a downloaded setup.
#include <jansson.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "tools/native/key_file.h"
#include "tools/native/key_rules.h"
#include "tools/native/safe_file.h"

namespace {

constexpr int kKeyCount = static_cast<int>(native::kTrustKeyCount);

const char kUsage[] =
    "Usage:\n"
    "  trust_tool sign --private-key KEY.pem --key-number N\n"
    "                  (--key-table TABLE | --no-key-check) --output-dir DIR\n"
    "                  (CHAIN.pem... | --trusted-json FILE)\n"
    "      Writes DIR/TRUSTED.JSON and DIR/SIGNATURE.DAT (DIR is made when missing),\n"
    "      both in full beside them first, then moved into place together.\n"
    "      Each CHAIN.pem holds a signing certificate followed by the certificate\n"
    "      that issued it; the list names each pair by the issuer's serial number\n"
    "      followed by the signer's. With --trusted-json the given text is signed as\n"
    "      it is instead. KEY.pem is the RSA-1024 private key of entry N (0 to 9) of\n"
    "      the installer's key table: TABLE is that table (the build's own is\n"
    "      build/<arch>/generated/trust_key_table.txt), and sign refuses a key whose\n"
    "      public half is not entry N. --no-key-check signs without that check, for\n"
    "      tests that need a list the installer must refuse.\n"
    "  trust_tool key-table KEY_0.pem ... KEY_9.pem\n"
    "      Prints the key table: ten lines, each the base64 DER SubjectPublicKeyInfo\n"
    "      of key 0 to 9 in key number order, for the installer's LITE_TRUST_KEY_TABLE\n"
    "      build option. Each KEY is a PEM RSA-1024 public or private key.\n"
    "  trust_tool --help\n"
    "\n"
    "Linking the list into the setup program: its resource script names the two\n"
    "files as resources of the names and types the installer reads, e.g. trust.rc:\n"
    "\n"
    "    TRUSTED.JSON  TRUSTED_JSON  \"DIR/TRUSTED.JSON\"\n"
    "    SIGNATURE.DAT SIGNATURE_DAT \"DIR/SIGNATURE.DAT\"\n"
    "\n"
    "compiled into the setup (windres trust.rc -O coff -o trust.res, then linked),\n"
    "which is then signed with a listed certificate (osslsigncode sign -certs\n"
    "CHAIN.pem ...). The installer checks the list's signature with entry N of its\n"
    "table, then that a listed pair signed the setup.\n"
    "\n"
    "Exit status: 0 done, 1 an input was refused or a file not written, 2 bad usage.\n";

struct Free {
  void operator()(BIO* p) const { BIO_free(p); }
  void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
  void operator()(X509* p) const { X509_free(p); }
  void operator()(json_t* p) const { json_decref(p); }
  void operator()(char* p) const { std::free(p); }
};
template <typename T>
using Owned = std::unique_ptr<T, Free>;

bool Fail(const std::string& message) {
  std::fprintf(stderr, "trust_tool: %s\n", message.c_str());
  return false;
}

bool ReadFile(const std::string& path, std::string* data) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return Fail("cannot read " + path + ": " + std::strerror(errno));
  data->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
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

// A key of the table's kind, public or (with `private_only`) private.
native::KeyPtr ReadKey(const std::string& path, bool private_only) {
  std::string error;
  native::KeyPtr key = private_only ? native::ReadPrivateKey(path, &error)
                                    : native::ReadPublicOrPrivateKey(path, &error);
  if (key) error = native::KeyUseError(key.get(), native::KeyUse::kTrustList);
  if (error.empty()) return key;
  Fail(key ? path + " is " + error : error);
  return nullptr;
}

// Whether the list signed with `key` will verify with entry `number` of the table.
bool CheckKeyIsTableEntry(EVP_PKEY* key, const std::string& key_path, int number,
                          const std::string& table_path) {
  std::vector<std::string> entries;
  std::string error;
  if (!native::ReadTrustKeyTable(table_path, &entries, &error)) return Fail(error);
  if (native::PublicKeyDer(key) != entries[static_cast<size_t>(number)]) {
    return Fail("the public half of " + key_path + " is not entry " + std::to_string(number) +
                " of the key table " + table_path +
                ": the installer would refuse the list (is --key-number right?)");
  }
  return true;
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

int UsageError(const std::string& message) {
  std::fprintf(stderr, "trust_tool: %s (see trust_tool --help)\n", message.c_str());
  return 2;
}

// Makes `dir` when missing; false, after saying why, when it cannot be made.
bool MakeOutputDir(const std::string& dir) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) return Fail("cannot make the output folder " + dir + ": " + error.message());
  return true;
}

int RunSign(int argc, char** argv) {
  std::string key_path;
  std::string output_dir;
  std::string json_path;
  std::string table_path;
  bool check_key = true;
  int key_number = -1;
  std::vector<std::string> chains;
  for (int i = 0; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool takes_value = argument == "--private-key" || argument == "--output-dir" ||
                             argument == "--trusted-json" || argument == "--key-number" ||
                             argument == "--key-table";
    if (takes_value && i + 1 == argc) return UsageError(argument + " needs a value");
    if (argument == "--private-key") {
      key_path = argv[++i];
    } else if (argument == "--output-dir") {
      output_dir = argv[++i];
    } else if (argument == "--trusted-json") {
      json_path = argv[++i];
    } else if (argument == "--key-table") {
      table_path = argv[++i];
    } else if (argument == "--no-key-check") {
      check_key = false;
    } else if (argument == "--key-number") {
      if (!ParseKeyNumber(argv[++i], &key_number)) return 2;
    } else if (argument.rfind("-", 0) == 0) {
      return UsageError("unknown option " + argument);
    } else {
      chains.push_back(argument);
    }
  }
  if (key_path.empty()) return UsageError("sign needs --private-key KEY.pem");
  if (key_number < 0) return UsageError("sign needs --key-number N");
  if (output_dir.empty()) return UsageError("sign needs --output-dir DIR");
  if (table_path.empty() == check_key) {
    return UsageError(check_key ? "sign needs --key-table TABLE to check the key against"
                                : "--key-table and --no-key-check exclude each other");
  }
  if (chains.empty() == json_path.empty()) {
    return UsageError(chains.empty() ? "sign needs CHAIN.pem files or --trusted-json FILE"
                                     : "CHAIN.pem files and --trusted-json exclude each other");
  }
  native::KeyPtr key = ReadKey(key_path, true);
  if (!key || (check_key && !CheckKeyIsTableEntry(key.get(), key_path, key_number, table_path))) {
    return 1;
  }
  std::string json;
  const bool have_json =
      json_path.empty() ? BuildTrustedJson(chains, &json) : ReadFile(json_path, &json);
  std::string signature;
  if (!have_json || !Sign(key.get(), json, &signature) || !MakeOutputDir(output_dir)) return 1;
  const std::string header{static_cast<char>(key_number & 0xFF),
                           static_cast<char>(key_number >> 8)};
  // Both or neither: a list beside an older signature would be refused.
  std::string error;
  if (!native::WriteFilesSafely({{output_dir + "/TRUSTED.JSON", json},
                                 {output_dir + "/SIGNATURE.DAT", header + signature}},
                                &error)) {
    Fail(error);
    return 1;
  }
  return 0;
}

int RunKeyTable(int argc, char** argv) {
  if (argc != kKeyCount) {
    return UsageError("key-table needs " + std::to_string(kKeyCount) + " key files, got " +
                      std::to_string(argc));
  }
  std::string table;
  for (int i = 0; i < argc; ++i) {
    native::KeyPtr key = ReadKey(argv[i], false);
    if (!key) return 1;
    const std::string der = native::PublicKeyDer(key.get());
    if (der.empty()) {
      Fail("cannot encode the public key of " + std::string(argv[i]));
      return 1;
    }
    table += Base64(der) + "\n";
  }
  std::fputs(table.c_str(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "sign") return RunSign(argc - 2, argv + 2);
  if (command == "key-table") return RunKeyTable(argc - 2, argv + 2);
  if (command == "--help" || command == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  return UsageError(command.empty() ? "no command given: sign or key-table"
                                    : "unknown command \"" + command + "\": sign or key-table");
}
