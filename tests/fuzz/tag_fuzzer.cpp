// Any bytes as the installer's own executable: the tag readers stay inside the
// buffer and return no more text than it holds, and writing a tag either
// refuses with a reason or gives a file whose tag reads back exactly as written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/tag_parser.h"
#include "config/tag_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string image(reinterpret_cast<const char*>(data), size);
  std::string tag;
  const config::TagParseResult result = config::ParseTagFromImage(image, &tag);
  if (tag.size() > size || (result != config::TagParseResult::kOk && !tag.empty())) std::abort();
  if (config::ReadTagRecord(image).size() > size) std::abort();
  constexpr char kTag[] = "banerid=7&velmaruid=42";
  std::string error;
  if (!config::WriteTag(&image, kTag, &error)) {
    if (error.empty()) std::abort();
  } else if (config::ParseTagFromImage(image, &tag) != config::TagParseResult::kOk || tag != kTag) {
    std::abort();
  }
  return 0;
}
