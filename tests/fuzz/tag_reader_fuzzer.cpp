// Any bytes as the installer's own executable: the tag readers must stay inside
// the buffer and return no more text than it holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/tag_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view image(reinterpret_cast<const char*>(data), size);
  std::string tag;
  const config::TagParseResult result = config::ParseTagFromImage(image, &tag);
  if (tag.size() > size || (result != config::TagParseResult::kOk && !tag.empty())) std::abort();
  if (config::ReadTagRecord(image).size() > size) std::abort();
  return 0;
}
