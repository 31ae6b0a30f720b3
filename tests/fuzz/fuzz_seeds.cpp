// Writes the seed corpus of each fuzz target into <folder>/<target>/, so the
// fuzzers start from well-formed inputs: fuzz_seeds <folder>.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/pe_image.h"

namespace {

bool WriteSeed(const std::string& folder, const std::string& target, const std::string& name,
               const std::string& bytes) {
  std::ofstream file(folder + "/" + target + "/" + name, std::ios::binary);
  return static_cast<bool>(file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds FOLDER (with one subfolder per fuzz target)\n");
    return 2;
  }
  const std::string folder = argv[1];
  using test_support::TaggedImage;
  const std::vector<std::pair<std::string, std::string>> images = {
      {"untagged", TaggedImage({})},
      {"tagged", TaggedImage({"banerid=7&velmaruid=42&lang=tr"})},
      {"tagged_pe32_plus", TaggedImage({"lang=tr"}, true)},
      {"two_dummies", TaggedImage({"a=1", "b=2"})},
  };
  bool ok = true;
  for (const auto& [name, bytes] : images) {
    ok = WriteSeed(folder, "tag_reader_fuzzer", name, bytes) && ok;
    ok = WriteSeed(folder, "tag_writer_fuzzer", name, bytes) && ok;
  }
  for (const char* text : {"banerid=7&velmaruid=42&lang=tr", "p=1&q&r=3", "a=&=b&&c==d"}) {
    ok = WriteSeed(folder, "params_text_fuzzer", text, text) && ok;
  }
  const std::string signature_line = "//" + std::string(172, 'A') + "\r\n";
  const std::vector<std::pair<std::string, std::string>> configs = {
      {"signed", signature_line + "{\"brand_id\": \"tb\", \"install\": {\"setup_url\": \"u\"}}\n"},
      {"comments", "/* a */{\"languages\" // b\r{\"interface\": \"ru /* c */\"}}"},
      {"escapes", "{\"a\\\"//\": [true, false, null, 1.5e3, \"\\u0041\"]}"},
  };
  for (const auto& [name, text] : configs) {
    ok = WriteSeed(folder, "json_reader_fuzzer", name, text) && ok;
  }
  if (!ok) std::fprintf(stderr, "fuzz_seeds: cannot write the seeds into %s\n", folder.c_str());
  return ok ? 0 : 1;
}
