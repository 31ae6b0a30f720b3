// Any bytes as a signed executable to tag: writing must either refuse or give
// a file whose tag reads back exactly as written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/tag_parser.h"
#include "config/tag_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string image(reinterpret_cast<const char*>(data), size);
  constexpr char kTag[] = "banerid=7&velmaruid=42";
  std::string error;
  if (!config::WriteTag(&image, kTag, &error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  std::string tag;
  if (config::ParseTagFromImage(image, &tag) != config::TagParseResult::kOk || tag != kTag) {
    std::abort();
  }
  return 0;
}
