#include "config/json_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace config {
namespace {

// Comments of both forms are dropped between tokens, and the signature line
// that opens a package's configuration reads as one, whatever it holds.
TEST(JsonReaderTest, ReadsValuesPastCommentsButNotInsideStrings) {
  const std::string signature_line = "//" + std::string(172, 'A') + "\r\n";
  // Text, path and the string value found there.
  const std::tuple<std::string, const char*, const char*> rows[] = {
      {signature_line + "{\"brand_id\": \"tb\"}\n", "brand_id", "tb"},
      {"//\"{}[]*/ /* not base64 at all\r\n{\"a\": \"b\"}", "a", "b"},
      {"/* head */{\"install\" /* key */: // line\r{\"setup_url\": \"u\" // end\n}}// tail",
       "install.setup_url", "u"},
      {"{\"url\": \"http://host/*x*/\"}", "url", "http://host/*x*/"},
      {"{\"quote\": \"a\\\"//b\"}", "quote", "a\"//b"},
  };
  for (const auto& [text, path, expected] : rows) {
    JsonPtr document = ParseConfigJson(text);
    ASSERT_TRUE(document) << text;
    const json_t* value = Lookup(document.get(), path);
    ASSERT_TRUE(json_is_string(value)) << text;
    EXPECT_STREQ(json_string_value(value), expected);
  }
  std::string json;
  EXPECT_EQ(StripJsonComments(signature_line + "{}", &json), CommentError::kNone);
  EXPECT_EQ(json, "\r\n{}");
}

TEST(JsonReaderTest, BadCommentsAndBadJsonGiveNoDocument) {
  const std::pair<const char*, CommentError> rows[] = {
      {"{\"a\": 1 / 2}", CommentError::kUnexpectedCharacter},
      {"{} /x", CommentError::kUnexpectedCharacter},
      {"{}/", CommentError::kUnexpectedCharacter},
      {"{} /* never closed *", CommentError::kPrematureEndOfInput},
      // A block comment keeps tokens apart: "[1 2]".
      {"[1/**/2]", CommentError::kNone},
      {"{\"a\": 1}}", CommentError::kNone},
  };
  for (const auto& [text, error] : rows) {
    std::string json;
    EXPECT_EQ(StripJsonComments(text, &json), error) << text;
    EXPECT_FALSE(ParseConfigJson(text)) << text;
  }
  EXPECT_STREQ(CommentErrorText(CommentError::kUnexpectedCharacter), "unexpected character");
  EXPECT_STREQ(CommentErrorText(CommentError::kPrematureEndOfInput), "premature end of input");
}

}  // namespace
}  // namespace config
