#include "config/json_reader.h"

namespace config {

const char* CommentErrorText(CommentError error) {
  switch (error) {
    case CommentError::kUnexpectedCharacter:
      return "unexpected character";
    case CommentError::kPrematureEndOfInput:
      return "premature end of input";
    case CommentError::kNone:
      break;
  }
  return "";
}

CommentError StripJsonComments(std::string_view text, std::string* json) {
  json->clear();
  json->reserve(text.size());
  bool in_string = false;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (in_string) {
      json->push_back(c);
      if (c == '\\' && i + 1 < text.size()) {
        json->push_back(text[++i]);
      } else if (c == '"') {
        in_string = false;
      }
      ++i;
      continue;
    }
    if (c == '"') {
      in_string = true;
    } else if (c == '/') {
      const char next = i + 1 < text.size() ? text[i + 1] : '\0';
      if (next == '/') {
        i = text.find_first_of("\r\n", i + 2);
        if (i == std::string_view::npos) break;
        continue;
      }
      if (next != '*') return CommentError::kUnexpectedCharacter;
      const size_t end = text.find("*/", i + 2);
      if (end == std::string_view::npos) return CommentError::kPrematureEndOfInput;
      json->push_back(' ');
      i = end + 2;
      continue;
    }
    json->push_back(c);
    ++i;
  }
  return CommentError::kNone;
}

JsonPtr ParseConfigJson(std::string_view text) {
  std::string json;
  if (StripJsonComments(text, &json) != CommentError::kNone) return nullptr;
  json_error_t error;
  return JsonPtr(json_loadb(json.data(), json.size(), 0, &error));
}

const json_t* Lookup(const json_t* document, std::string_view path) {
  const json_t* node = document;
  while (node != nullptr) {
    if (!json_is_object(node)) return nullptr;
    const size_t dot = path.find('.');
    const std::string key(path.substr(0, dot));
    node = json_object_get(node, key.c_str());
    if (dot == std::string_view::npos) return node;
    path.remove_prefix(dot + 1);
  }
  return nullptr;
}

}  // namespace config
