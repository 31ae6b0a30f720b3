// Writes the installer tag into an already signed executable, or reads it back.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/tag_parser.h"
#include "config/tag_writer.h"

namespace {

constexpr char kUsage[] =
    "Usage:\n"
    "  tag_tool write [-o OUTPUT] FILE TAG   put TAG into the signed FILE (or a tagged copy\n"
    "                                        at OUTPUT)\n"
    "  tag_tool read FILE                    print the tag of FILE\n"
    "  tag_tool --help                       show this text\n"
    "\n"
    "The tag is text such as \"banerid=7&velmaruid=42&lang=tr\", at most 10240 bytes.\n"
    "It is carried by an unsigned dummy certificate added to the executable's\n"
    "Authenticode signature, so FILE must be signed already and the signature stays\n"
    "valid. A tagged file can be tagged again with another text.\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "tag_tool: %s\n", message.c_str());
  return 1;
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "tag_tool: %s\n\n%s", message.c_str(), kUsage);
  return 2;
}

bool ReadFile(const std::string& path, std::string* bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream contents;
  contents << file.rdbuf();
  *bytes = contents.str();
  return !file.bad();
}

// Writes a sibling file first and renames it, so a failure leaves `path` whole.
bool WriteFile(const std::string& path, const std::string& bytes) {
  const std::string temporary = path + ".tagging";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return false;
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

int Write(const std::vector<std::string>& args) {
  std::string output;
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" || args[i] == "--output") {
      if (i + 1 == args.size()) return UsageError(args[i] + " needs a file name");
      output = args[++i];
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) return UsageError("write needs FILE and TAG");
  const std::string& input = positional[0];
  if (output.empty()) output = input;
  std::string image;
  if (!ReadFile(input, &image)) return Fail("cannot read " + input + ": " + std::strerror(errno));
  std::string error;
  if (!config::WriteTag(&image, positional[1], &error)) return Fail(input + ": " + error);
  if (!WriteFile(output, image)) {
    return Fail("cannot write " + output + ": " + std::strerror(errno));
  }
  return 0;
}

int Read(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError("read needs FILE");
  std::string image;
  if (!ReadFile(args[0], &image)) {
    return Fail("cannot read " + args[0] + ": " + std::strerror(errno));
  }
  std::string tag;
  switch (config::ParseTagFromImage(image, &tag)) {
    case config::TagParseResult::kOk:
      std::fwrite(tag.data(), 1, tag.size(), stdout);
      std::fputc('\n', stdout);
      return 0;
    case config::TagParseResult::kNoCertificateTable:
      return Fail(args[0] + ": not a PE file with a certificate table");
    case config::TagParseResult::kInvalidAsn1:
      return Fail(args[0] + ": the certificate table is not valid DER");
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return UsageError("no command given");
  const std::string command = args.front();
  args.erase(args.begin());
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "write") return Write(args);
  if (command == "read") return Read(args);
  return UsageError("unknown command \"" + command + "\"");
}
