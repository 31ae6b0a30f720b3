// Writes the seed corpus of each fuzz target into <folder>/<target>/, so the
// fuzzers start from well-formed inputs: fuzz_seeds <folder>.
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "support/pe_image.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds FOLDER (with one subfolder per fuzz target)\n");
    return 2;
  }
  using test_support::TaggedImage;
  const std::string signature_line = "//" + std::string(172, 'A') + "\r\n";
  const std::vector<std::pair<const char*, std::string>> seeds = {
      {"tag_fuzzer", TaggedImage({})},
      {"tag_fuzzer", TaggedImage({"banerid=7&velmaruid=42&lang=tr"})},
      {"tag_fuzzer", TaggedImage({"lang=tr"}, true)},
      {"tag_fuzzer", TaggedImage({"a=1", "b=2"})},
      {"config_text_fuzzer", "banerid=7&velmaruid=42&lang=tr"},
      {"config_text_fuzzer", "p=1&q&r=3&a=&=b&&c==d"},
      {"config_text_fuzzer",
       signature_line + "{\"brand_id\": \"tb\", \"install\": {\"setup_url\": \"u\"}}\n"},
      {"config_text_fuzzer", "/* a */{\"languages\" // b\r{\"interface\": \"ru /* c */\"}}"},
      {"config_text_fuzzer", "{\"a\\\"//\": [true, false, null, 1.5e3, \"\\u0041\"]}"},
  };
  for (size_t i = 0; i < seeds.size(); ++i) {
    const std::string path =
        std::string(argv[1]) + "/" + seeds[i].first + "/seed" + std::to_string(i);
    const std::string& bytes = seeds[i].second;
    if (!std::ofstream(path, std::ios::binary)
             .write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
      std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
