// Writes the seed corpus of each fuzz target into <folder>/<target>/, so the
// fuzzers start from well-formed inputs: fuzz_seeds <folder>.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/pe_image.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds FOLDER (with one subfolder per fuzz target)\n");
    return 2;
  }
  using test_support::TaggedImage;
  const std::string signature_line = "//" + std::string(172, 'A') + "\r\n";
  struct Seed {
    const char* target;
    const char* name;
    std::string bytes;
  };
  const std::vector<Seed> seeds = {
      {"tag_fuzzer", "untagged", TaggedImage({})},
      {"tag_fuzzer", "tagged", TaggedImage({"banerid=7&velmaruid=42&lang=tr"})},
      {"tag_fuzzer", "tagged_pe32_plus", TaggedImage({"lang=tr"}, true)},
      {"tag_fuzzer", "two_dummies", TaggedImage({"a=1", "b=2"})},
      {"config_text_fuzzer", "params", "banerid=7&velmaruid=42&lang=tr"},
      {"config_text_fuzzer", "odd_params", "p=1&q&r=3&a=&=b&&c==d"},
      {"config_text_fuzzer", "signed",
       signature_line + "{\"brand_id\": \"tb\", \"install\": {\"setup_url\": \"u\"}}\n"},
      {"config_text_fuzzer", "comments",
       "/* a */{\"languages\" // b\r{\"interface\": \"ru /* c */\"}}"},
      {"config_text_fuzzer", "escapes", "{\"a\\\"//\": [true, false, null, 1.5e3, \"\\u0041\"]}"},
  };
  for (const Seed& seed : seeds) {
    std::ofstream file(std::string(argv[1]) + "/" + seed.target + "/" + seed.name,
                       std::ios::binary);
    if (!file.write(seed.bytes.data(), static_cast<std::streamsize>(seed.bytes.size()))) {
      std::fprintf(stderr, "fuzz_seeds: cannot write %s/%s/%s\n", argv[1], seed.target, seed.name);
      return 1;
    }
  }
  return 0;
}
