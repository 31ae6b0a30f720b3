// Feeds arbitrary configuration text through the comment rule and the JSON
// reader, then walks the dotted lookups the brand record makes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/json_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string json;
  const config::CommentError error = config::StripJsonComments(text, &json);
  // Removing comments never adds text.
  if (json.size() > text.size()) __builtin_trap();
  config::JsonPtr document = config::ParseConfigJson(text);
  if (error != config::CommentError::kNone && document) __builtin_trap();
  for (const char* path : {"install.setup_url", "languages.interface", "brand_id", "a.b.c.d"}) {
    config::Lookup(document.get(), path);
  }
  return 0;
}
