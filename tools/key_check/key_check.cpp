// Says whether a key file suits its use in a release, in one line when it
// does not: the checks tools/release.sh and the configure step make before
// anything is built, by the same rules the tools that use the keys apply.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/native/key_file.h"
#include "tools/native/key_rules.h"

namespace {

constexpr char kUsage[] =
    "Usage: key_check USE FILE\n"
    "\n"
    "USE is one of:\n"
    "  package-key       the RSA-1024 private key that signs the configuration packages\n"
    "  seed-key          the EC P-256 private key that signs the variations seed\n"
    "  code-signing-key  the private key of the code-signing certificate: RSA of 2048\n"
    "                    bits or more, or EC P-256/P-384\n"
    "  trust-table       the trust key table: ten lines, each the base64 of an RSA-1024\n"
    "                    public key (trust_tool key-table writes it)\n"
    "\n"
    "Private keys must not be encrypted: builds cannot ask for a pass phrase.\n"
    "Exit status: 0 the file suits its use, 1 it does not (one line says why),\n"
    "2 bad usage.\n";

struct Use {
  const char* name;
  native::KeyUse use;
};
constexpr Use kPrivateKeyUses[] = {{"package-key", native::KeyUse::kPackageSigning},
                                   {"seed-key", native::KeyUse::kVariationsSeed},
                                   {"code-signing-key", native::KeyUse::kCodeSigning}};

int Refuse(const std::string& reason) {
  std::fprintf(stderr, "key_check: %s\n", reason.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (args.size() != 2) {
    std::fputs("key_check: USE and FILE are needed (see key_check --help)\n", stderr);
    return 2;
  }
  const std::string& path = args[1];
  std::string error;
  if (args[0] == "trust-table") {
    std::vector<std::string> entries;
    return native::ReadTrustKeyTable(path, &entries, &error) ? 0 : Refuse(error);
  }
  for (const Use& use : kPrivateKeyUses) {
    if (args[0] != use.name) continue;
    native::KeyPtr key = native::ReadPrivateKey(path, &error);
    if (!key) return Refuse(error);
    error = native::KeyUseError(key.get(), use.use);
    return error.empty() ? 0 : Refuse(path + " is " + error);
  }
  std::fprintf(stderr, "key_check: unknown use \"%s\" (see key_check --help)\n", args[0].c_str());
  return 2;
}
