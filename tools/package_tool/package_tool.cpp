// Builds a brand or partner configuration package: a cabinet (made with gcab,
// MSZIP) holding the signed configuration file and any extra members.
#include <fcntl.h>
#include <openssl/evp.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "config/json_reader.h"
#include "tools/native/key_file.h"
#include "tools/native/key_rules.h"
#include "tools/native/safe_file.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr size_t kSignatureBytes = 128;
constexpr size_t kSignatureLineBytes = 176;
constexpr char kInstallPrefix[] = "install.";

// The keys the installer reads from a package, by dotted path. The "install."
// ones are also read from the top level without that prefix.
enum class ValueKind { kString, kBoolean };
struct PackageKey {
  const char* path;
  ValueKind kind;
};
constexpr PackageKey kPackageKeys[] = {
    {"brand_id", ValueKind::kString},
    {"brand_name", ValueKind::kString},
    {"partner_id", ValueKind::kString},
    {"license_url", ValueKind::kString},
    {"languages.interface", ValueKind::kString},
    {"urls.variations", ValueKind::kString},
    {"install.setup_url", ValueKind::kString},
    {"install.setup_url_version", ValueKind::kString},
    {"install.setup_url64", ValueKind::kString},
    {"install.setup_url_version64", ValueKind::kString},
    {"install.setup_url32", ValueKind::kString},
    {"install.conf_policy_url", ValueKind::kString},
    {"install.scenarios_url", ValueKind::kString},
    {"install.slide_url", ValueKind::kString},
    {"install.slide_url_if_tagged", ValueKind::kString},
    {"install.preloaded_wallpapers_url", ValueKind::kString},
    {"install.alternate_installer_title", ValueKind::kBoolean},
    {"install.send_statistics", ValueKind::kBoolean},
    {"install.make_browser_default", ValueKind::kBoolean},
    {"install.need_ppapi_flash", ValueKind::kBoolean},
};

// What only a package of each kind names: the brand, or the partner.
constexpr char kBrandKey[] = "brand_id";
constexpr char kPartnerKey[] = "partner_id";
// The dates a cabinet member can carry: 1980-01-01 to 2107-12-31, UTC.
constexpr unsigned long long kEarliestDate = 315532800;
constexpr unsigned long long kLatestDate = 4354819199;

constexpr char kUsage[] =
    R"(Usage: package_tool --kind brand|partner --config FILE --key PRIVATE.pem
                    --output PACKAGE.cab [--member NAME=FILE ...] [--date SECONDS]

Builds a configuration package for the lite installer: a cabinet (MSZIP,
written with gcab) holding the configuration file "brand_config" or
"partner_config" and, for instance, the partner's "resources\tablo" and
"resources\configs\all_zip" given with --member.

The configuration file is the JSON text of --config, unchanged, behind a
signature line: "//", the base64 text of a 128-byte RSA signature, CR LF
(176 bytes in all). The JSON text may hold "//" and "/*...*/" comments
outside strings; it must read as one JSON object under that rule.

What the signature covers: every byte of the configuration file after the
signature line (byte 176 to the end), that is the JSON text exactly as given.
It is RSASSA-PKCS1-v1_5 with SHA-256, made with the RSA key of --key (PEM,
1024 bits, so that the signature is 128 bytes). Verify it with
  tail -c +177 brand_config > body
  head -c 174 brand_config | tail -c 172 | base64 -d > signature
  openssl dgst -sha256 -verify public.pem -signature signature body

The configuration is refused when it holds a key the installer does not read
(see the keys below), a key twice, a value of the wrong type (the yes/no keys
take true or false, the others strings), a placeholder "@NAME@" left unfilled
(in it or in a text member), or when it does not name its kind: a brand package
needs "brand_id", a partner package "partner_id".

Keys: brand_id, brand_name, partner_id, license_url, languages.interface,
urls.variations; install.setup_url, install.setup_url_version,
install.setup_url64, install.setup_url_version64, install.setup_url32,
install.conf_policy_url, install.scenarios_url, install.slide_url,
install.slide_url_if_tagged, install.preloaded_wallpapers_url; yes/no:
install.alternate_installer_title, install.send_statistics,
install.make_browser_default, install.need_ppapi_flash. The "install." keys
may also stand at the top level without the prefix.

Every member is dated --date (seconds since 1970, UTC; a build gives its
build date, so that the same inputs make the same package), else the time of
writing; a date before 1980 becomes 1980-01-01, the earliest a cabinet holds.
A member is text when it is UTF-8 without zero bytes; only text members are
searched for placeholders (a compressed archive may hold "@NAME@" by chance).
The package is written beside --output first and moved over it only when
complete, so a failed run leaves an earlier package as it was.

Options:
  --kind brand|partner  which configuration file the package carries
  --config FILE         the configuration JSON
  --key FILE            the RSA private key (PEM) that signs it
  --output FILE         the package to write
  --member NAME=FILE    an extra member; NAME may use "\" or "/" between folders
  --date SECONDS        the date of every member (default: now)
  --help                this text

Keys are read without a pass phrase: an encrypted key is refused.

Exit status: 0 when the package was written, 1 on any error, 2 on bad usage.
)";

struct Options {
  std::string kind;
  std::string config_path;
  std::string key_path;
  std::string output_path;
  std::string date;
  std::vector<std::pair<std::string, std::string>> members;
};

bool Fail(const std::string& message) {
  std::fprintf(stderr, "package_tool: %s\n", message.c_str());
  return false;
}

bool ReadFile(const std::string& path, std::string* contents) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return Fail("cannot read " + path + ": " + std::strerror(errno));
  std::ostringstream stream;
  stream << file.rdbuf();
  *contents = stream.str();
  return true;
}

bool WriteFile(const std::string& path, const std::string& contents) {
  std::string error;
  return native::WriteFileSafely(path, contents, &error) || Fail(error);
}

int UsageError(const std::string& message) {
  Fail(message + " (see --help)");
  return 2;
}

// 0 on success, 2 on bad usage (already reported).
int ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    }
    std::string* field = nullptr;
    if (arg == "--kind") {
      field = &options->kind;
    } else if (arg == "--config") {
      field = &options->config_path;
    } else if (arg == "--key") {
      field = &options->key_path;
    } else if (arg == "--output") {
      field = &options->output_path;
    } else if (arg == "--date") {
      field = &options->date;
    } else if (arg != "--member") {
      return UsageError(arg.rfind("-", 0) == 0 ? "unknown option " + arg
                                               : "stray argument \"" + arg + "\"");
    }
    if (i + 1 >= argc) return UsageError(arg + " needs a value");
    const std::string value = argv[++i];
    if (field != nullptr) {
      *field = value;
      continue;
    }
    const size_t equals = value.find('=');
    if (equals == 0 || equals == std::string::npos || equals + 1 == value.size()) {
      return UsageError("--member wants NAME=FILE, got \"" + value + "\"");
    }
    options->members.emplace_back(value.substr(0, equals), value.substr(equals + 1));
  }
  if (options->kind != "brand" && options->kind != "partner") {
    return UsageError("--kind must be brand or partner");
  }
  for (const auto& [name, value] :
       {std::pair<const char*, const std::string&>{"--config", options->config_path},
        {"--key", options->key_path},
        {"--output", options->output_path}}) {
    if (value.empty()) return UsageError(std::string(name) + " is required");
  }
  return 0;
}

// Whether `bytes` read as text: UTF-8 without zero bytes. Binary members (a
// compressed archive) hold any bytes, "@NAME@" among them by chance.
bool IsText(const std::string& bytes) {
  size_t continuation = 0;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (continuation > 0) {
      if ((byte & 0xC0) != 0x80) return false;
      --continuation;
    } else if (byte == 0 || byte >= 0xF8 || (byte & 0xC0) == 0x80) {
      return false;
    } else if (byte >= 0x80) {
      continuation = byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : 1;
    }
  }
  return continuation == 0;
}

// A build fills "@NAME@" placeholders from its settings; one left in a text
// is a mistake.
bool CheckPlaceholders(const std::string& path, const std::string& text) {
  static const std::regex kPlaceholder("@[A-Z][A-Z0-9_]*@");
  if (!IsText(text)) return true;
  std::smatch match;
  if (std::regex_search(text, match, kPlaceholder)) {
    return Fail(path + ": the placeholder " + match.str() + " is not filled in");
  }
  return true;
}

const PackageKey* FindPackageKey(const std::string& path) {
  for (const PackageKey& key : kPackageKeys) {
    if (path == key.path) return &key;
  }
  return nullptr;
}

bool IsKeyGroup(const std::string& path) {
  for (const PackageKey& key : kPackageKeys) {
    if (std::string(key.path).rfind(path + ".", 0) == 0) return true;
  }
  return false;
}

// Every member of `object` (at `prefix`) is a key the installer reads, of its type.
bool CheckKeys(const std::string& file, const json_t* object, const std::string& prefix) {
  const char* name = nullptr;
  const json_t* value = nullptr;
  json_object_foreach(const_cast<json_t*>(object), name, value) {
    const std::string path = prefix + name;
    if (IsKeyGroup(path)) {
      if (!json_is_object(value)) return Fail(file + ": \"" + path + "\" must be an object");
      if (!CheckKeys(file, value, path + ".")) return false;
      continue;
    }
    const PackageKey* key = FindPackageKey(path);
    if (key == nullptr && prefix.empty()) key = FindPackageKey(kInstallPrefix + path);
    if (key == nullptr) return Fail(file + ": unknown key \"" + path + "\"");
    if (key->kind == ValueKind::kString && !json_is_string(value)) {
      return Fail(file + ": \"" + path + "\" must be a string");
    }
    if (key->kind == ValueKind::kBoolean && !json_is_boolean(value)) {
      return Fail(file + ": \"" + path + "\" must be true or false");
    }
  }
  return true;
}

bool CheckConfiguration(const std::string& kind, const std::string& path, const std::string& text) {
  if (!CheckPlaceholders(path, text)) return false;
  std::string json;
  const config::CommentError comment_error = config::StripJsonComments(text, &json);
  if (comment_error != config::CommentError::kNone) {
    return Fail(path + ": " + config::CommentErrorText(comment_error));
  }
  json_error_t error;
  config::JsonPtr document(json_loadb(json.data(), json.size(), JSON_REJECT_DUPLICATES, &error));
  if (!document) {
    return Fail(path + ": line " + std::to_string(error.line) + ": " + error.text);
  }
  if (!json_is_object(document.get())) return Fail(path + ": the configuration is not an object");
  if (!CheckKeys(path, document.get(), "")) return false;
  const char* needed = kind == "brand" ? kBrandKey : kPartnerKey;
  if (json_object_get(document.get(), needed) == nullptr) {
    return Fail(path + ": a " + kind + " package needs \"" + needed + "\"" +
                (kind == "partner" ? " (a brand configuration? use --kind brand)" : ""));
  }
  return true;
}

struct DigestDeleter {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

bool SignatureLine(const std::string& key_path, const std::string& body, std::string* line) {
  std::string error;
  native::KeyPtr key = native::ReadPrivateKey(key_path, &error);
  if (!key) return Fail(error);
  error = native::KeyUseError(key.get(), native::KeyUse::kPackageSigning);
  if (!error.empty()) return Fail(key_path + " is " + error);
  std::unique_ptr<EVP_MD_CTX, DigestDeleter> context(EVP_MD_CTX_new());
  unsigned char signature[kSignatureBytes];
  size_t signature_size = sizeof(signature);
  if (!context ||
      EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1 ||
      EVP_DigestSign(context.get(), signature, &signature_size,
                     reinterpret_cast<const unsigned char*>(body.data()), body.size()) != 1 ||
      signature_size != kSignatureBytes) {
    return Fail("signing with " + key_path + " failed");
  }
  char base64[4 * ((kSignatureBytes + 2) / 3) + 1];
  EVP_EncodeBlock(reinterpret_cast<unsigned char*>(base64), signature, kSignatureBytes);
  *line = std::string("//") + base64 + "\r\n";
  return line->size() == kSignatureLineBytes || Fail("internal error: bad signature line size");
}

// --date when given, else now; never before the earliest cabinet date.
bool MemberDate(const std::string& text, time_t* date) {
  unsigned long long seconds = static_cast<unsigned long long>(std::time(nullptr));
  if (!text.empty()) {
    char* end = nullptr;
    errno = 0;
    seconds = std::strtoull(text.c_str(), &end, 10);
    if (text[0] < '0' || text[0] > '9' || *end != '\0' || errno != 0 || seconds > kLatestDate) {
      return Fail("--date must be seconds since 1970 up to 2107, not \"" + text + "\"");
    }
  }
  *date = static_cast<time_t>(std::max(seconds, kEarliestDate));
  return true;
}

bool WriteMember(const fs::path& path, const std::string& contents, time_t date) {
  const timespec times[2] = {{date, 0}, {date, 0}};
  if (!WriteFile(path.string(), contents)) return false;
  return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 ||
         Fail("cannot date " + path.string() + ": " + std::strerror(errno));
}

// The member's path inside the staging folder; names use backslashes in the cabinet.
bool MemberPath(std::string name, std::string* relative) {
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  const fs::path path = fs::path(name).lexically_normal();
  if (path.is_absolute() || path.empty() || *path.begin() == "..") {
    return Fail("member name \"" + name + "\" must stay inside the package");
  }
  *relative = path.generic_string();
  return true;
}

bool RunGcab(const fs::path& folder, const std::string& output,
             const std::vector<std::string>& members) {
  std::vector<std::string> args = {"gcab", "--create", "--zip", output};
  args.insert(args.end(), members.begin(), members.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, "gcab", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return Fail(std::string("cannot run gcab: ") + std::strerror(spawned));
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return Fail("gcab failed to make the package");
  }
  return true;
}

bool BuildPackage(const Options& options) {
  time_t date = 0;
  std::string body;
  if (!MemberDate(options.date, &date) || !ReadFile(options.config_path, &body) ||
      !CheckConfiguration(options.kind, options.config_path, body)) {
    return false;
  }
  std::string signature_line;
  if (!SignatureLine(options.key_path, body, &signature_line)) return false;

  char folder_template[] = "/tmp/package_tool-XXXXXX";
  if (mkdtemp(folder_template) == nullptr) return Fail("cannot make a staging folder");
  const fs::path folder = folder_template;
  std::vector<std::string> members = {options.kind + "_config"};
  bool ok = WriteMember(folder / members[0], signature_line + body, date);
  for (const auto& [name, source] : options.members) {
    std::string relative;
    std::string contents;
    ok = ok && MemberPath(name, &relative) && ReadFile(source, &contents) &&
         CheckPlaceholders(source, contents) && WriteMember(folder / relative, contents, date);
    if (ok) members.push_back(relative);
  }
  // gcab writes in the staging folder: a failure there leaves --output as it was.
  const fs::path cabinet = folder / ".package.cab";
  std::string package;
  ok = ok && RunGcab(folder, cabinet.string(), members) && ReadFile(cabinet, &package) &&
       WriteFile(options.output_path, package);
  std::error_code error;
  fs::remove_all(folder, error);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  const int usage = ParseOptions(argc, argv, &options);
  if (usage != 0) return usage;
  return BuildPackage(options) ? 0 : 1;
}
