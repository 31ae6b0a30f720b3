#pragma once

#include <jansson.h>

#include <memory>
#include <string>
#include <string_view>

namespace config {

// Why configuration text could not be freed of its comments.
enum class CommentError { kNone, kUnexpectedCharacter, kPrematureEndOfInput };

// The error's text as the JSON library would word it.
const char* CommentErrorText(CommentError error);

// Configuration text may carry "//" comments up to the end of the line (LF, CR
// or the end of the text) and "/*" ... "*/" comments wherever white space may
// stand. Copies `text` without them into `json` (a block comment becomes one
// blank, so the tokens around it stay apart); text inside JSON strings is kept.
CommentError StripJsonComments(std::string_view text, std::string* json);

struct JsonDeleter {
  void operator()(json_t* json) const { json_decref(json); }
};
using JsonPtr = std::unique_ptr<json_t, JsonDeleter>;

// Parses configuration text, comments and all; null when it does not parse.
JsonPtr ParseConfigJson(std::string_view text);

// Descends through nested objects along a dotted path ("install.setup_url");
// null when a step is not an object or a key is missing.
const json_t* Lookup(const json_t* document, std::string_view path);

}  // namespace config
