// Writes the installer tag into an already signed executable, or reads it back;
// checks that a signed copy holds nothing unsigned but its tag; writes the
// part of an executable that its signature covers.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/distribution_params_parser.h"
#include "config/tag_parser.h"
#include "config/tag_writer.h"
#include "tools/native/safe_file.h"
#include "tools/tag_tool/table_check.h"

namespace {

using tag_tool::CheckCertificateTable;
using tag_tool::TableCheck;

// Exit status besides 0: a file that cannot be used, bad usage, no tag to read.
constexpr int kFailed = 1;
constexpr int kUsageError = 2;
constexpr int kNoTag = 3;
// The certificate table starts on an 8-byte boundary, after zero padding.
constexpr size_t kCertificateTableAlignment = 8;

constexpr char kUsage[] =
    "Usage:\n"
    "  tag_tool write [-o OUTPUT] FILE TAG   put TAG into the signed FILE (or a tagged copy\n"
    "                                        at OUTPUT)\n"
    "  tag_tool read FILE                    print the tag of FILE\n"
    "  tag_tool check FILE                   check that FILE holds nothing unsigned but its\n"
    "                                        signature and tag; print the tag (an empty\n"
    "                                        line when there is none)\n"
    "  tag_tool signed-content FILE OUTPUT   write to OUTPUT what FILE's signature covers\n"
    "  tag_tool --help                       show this text\n"
    "\n"
    "The tag is text such as \"banerid=7&velmaruid=42&lang=tr\", at most 10240 bytes:\n"
    "pairs of a key, \"=\" and a value joined by \"&\", each key once, keys of letters,\n"
    "digits, \"_\", \"-\" and \".\", values of printable ASCII without blanks or \"&\",\n"
    "as the installer reads its parameters. It is carried by an unsigned dummy\n"
    "certificate added to the executable's Authenticode signature, so FILE must be\n"
    "signed already and the signature stays valid. A tagged file can be tagged again\n"
    "with another text.\n"
    "\n"
    "signed-content writes FILE without its certificate table, its checksum and\n"
    "certificate table entry zeroed, padded with zeros to 8 bytes: the bytes the\n"
    "Authenticode digest covers. It is the same for a signed copy, every tagged copy\n"
    "and the unsigned build they came from (tools/release.sh --verify compares them).\n"
    "\n"
    "check refuses bytes after the certificate table (an overlay), bytes in the\n"
    "table besides the signature, and a dummy certificate whose tag is not\n"
    "parameters the installer reads.\n"
    "\n"
    "Exit status: 0 done, 1 the file cannot be read, written or tagged (check: holds\n"
    "something else), 2 bad usage, 3 (read) the file is signed but carries no tag.\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "tag_tool: %s\n", message.c_str());
  return kFailed;
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "tag_tool: %s (see tag_tool --help)\n", message.c_str());
  return kUsageError;
}

bool ReadFile(const std::string& path, std::string* bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream contents;
  contents << file.rdbuf();
  *bytes = contents.str();
  return !file.bad();
}

int WriteFile(const std::string& path, const std::string& bytes) {
  std::string error;
  return native::WriteFileSafely(path, bytes, &error) ? 0 : Fail(error);
}

// The `wanted` positional arguments of a command, and with `output` its
// -o/--output option; "--" ends the options. False, after saying why (`what`
// names the arguments), on an unknown option, a missing value or a wrong count.
bool ParseArguments(const std::vector<std::string>& args, size_t wanted, const char* what,
                    std::string* output, std::vector<std::string>* positional, int* status) {
  bool options = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options && arg == "--") {
      options = false;
    } else if (options && output != nullptr && (arg == "-o" || arg == "--output")) {
      if (i + 1 == args.size()) {
        *status = UsageError(arg + " needs a file name");
        return false;
      }
      *output = args[++i];
    } else if (options && arg.size() > 1 && arg[0] == '-') {
      *status = UsageError("unknown option " + arg);
      return false;
    } else {
      positional->push_back(arg);
    }
  }
  if (positional->size() == wanted) return true;
  *status = UsageError(std::string(what) + (positional->size() < wanted ? ", got " : ", but got ") +
                       std::to_string(positional->size()) + " argument" +
                       (positional->size() == 1 ? "" : "s"));
  return false;
}

// Reads `path` as a PE image; false, after saying why, when it cannot be read
// or is not a PE file, or, with `signed_only`, has no certificate table.
bool ReadImage(const std::string& path, bool signed_only, std::string* image,
               config::CertificateTable* table) {
  std::string error;
  if (!ReadFile(path, image)) {
    error = "cannot read " + path + ": " + std::strerror(errno);
  } else if (image->compare(0, 2, "MZ") != 0 || !config::FindCertificateTable(*image, table)) {
    error = path + ": not a PE file";
  } else if (signed_only && table->size == 0) {
    error = path + ": not a signed PE file";
  }
  if (!error.empty()) Fail(error);
  return error.empty();
}

int Write(const std::vector<std::string>& args) {
  std::string output;
  std::vector<std::string> positional;
  int status = 0;
  if (!ParseArguments(args, 2, "write needs FILE and TAG", &output, &positional, &status)) {
    return status;
  }
  const std::string& input = positional[0];
  const std::string& tag = positional[1];
  const std::string tag_error = config::DistributionParamsTextError(tag);
  if (!tag_error.empty())
    return Fail("the tag is not parameters the installer reads: " + tag_error);
  if (output.empty()) output = input;
  std::string image;
  config::CertificateTable table;
  if (!ReadImage(input, true, &image, &table)) return kFailed;
  std::string error;
  if (!config::WriteTag(&image, tag, &error)) return Fail(input + ": " + error);
  return WriteFile(output, image);
}

int Read(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  int status = 0;
  if (!ParseArguments(args, 1, "read needs FILE", nullptr, &positional, &status)) return status;
  const std::string& path = positional[0];
  std::string image;
  config::CertificateTable table;
  if (!ReadImage(path, true, &image, &table)) return kFailed;
  std::string tag;
  if (config::ParseTagFromImage(image, &tag) != config::TagParseResult::kOk) {
    return Fail(path + ": the certificate table is not valid DER");
  }
  if (tag.empty()) {
    std::fprintf(stderr, "tag_tool: %s: no tag\n", path.c_str());
    return kNoTag;
  }
  std::fwrite(tag.data(), 1, tag.size(), stdout);
  std::fputc('\n', stdout);
  return 0;
}

int SignedContent(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  int status = 0;
  if (!ParseArguments(args, 2, "signed-content needs FILE and OUTPUT", nullptr, &positional,
                      &status)) {
    return status;
  }
  std::string image;
  config::CertificateTable table;
  if (!ReadImage(positional[0], false, &image, &table)) return kFailed;
  if (table.size != 0) {
    if (table.offset + table.size != image.size()) {
      return Fail(positional[0] + ": data follows the certificate table");
    }
    image.resize(table.offset);
  }
  image.replace(table.checksum_offset, 4, 4, '\0');
  image.replace(table.entry_offset, 8, 8, '\0');
  image.resize((image.size() + kCertificateTableAlignment - 1) / kCertificateTableAlignment *
                   kCertificateTableAlignment,
               '\0');
  return WriteFile(positional[1], image);
}

int Check(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  int status = 0;
  if (!ParseArguments(args, 1, "check needs FILE", nullptr, &positional, &status)) return status;
  std::string image;
  config::CertificateTable table;
  if (!ReadImage(positional[0], true, &image, &table)) return kFailed;
  const TableCheck check = CheckCertificateTable(image);
  if (!check.ok) return Fail(positional[0] + ": " + check.fault);
  std::fwrite(check.tag.data(), 1, check.tag.size(), stdout);
  std::fputc('\n', stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return UsageError("no command given: write, read, check or signed-content");
  const std::string command = args.front();
  args.erase(args.begin());
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "write") return Write(args);
  if (command == "read") return Read(args);
  if (command == "signed-content") return SignedContent(args);
  if (command == "check") return Check(args);
  return UsageError("unknown command \"" + command + "\": write, read, check or signed-content");
}
