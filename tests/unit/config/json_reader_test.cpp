#include "config/json_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace config {
namespace {

std::string Stripped(const std::string& text) {
  std::string json;
  EXPECT_EQ(StripJsonComments(text, &json), CommentError::kNone) << text;
  return json;
}

std::string StringAt(const json_t* document, const char* path) {
  const json_t* value = Lookup(document, path);
  return json_is_string(value) ? json_string_value(value) : "<not a string>";
}

TEST(JsonReaderTest, SignatureLineReadsAsComment) {
  const std::string signature_line = "//" + std::string(172, 'A') + "\r\n";
  ASSERT_EQ(signature_line.size(), 176u);
  const std::string body = "{\"brand_id\": \"tb\"}\n";
  JsonPtr document = ParseConfigJson(signature_line + body);
  ASSERT_TRUE(document);
  EXPECT_EQ(StringAt(document.get(), "brand_id"), "tb");
  EXPECT_EQ(Stripped(signature_line + body), "\r\n" + body);
}

TEST(JsonReaderTest, GarbageSignatureLineDoesNotChangeWhatIsRead) {
  JsonPtr document = ParseConfigJson("//\"{}[]*/ /* not base64 at all\r\n{\"a\": \"b\"}");
  ASSERT_TRUE(document);
  EXPECT_EQ(StringAt(document.get(), "a"), "b");
}

TEST(JsonReaderTest, SkipsCommentsOfBothFormsBetweenTokens) {
  JsonPtr document = ParseConfigJson(
      "/* head */{\"install\" /* key */: // line\r{\"setup_url\": \"u\" // end\n}}// tail");
  ASSERT_TRUE(document);
  EXPECT_EQ(StringAt(document.get(), "install.setup_url"), "u");
}

TEST(JsonReaderTest, KeepsCommentMarkersInsideStrings) {
  JsonPtr document = ParseConfigJson("{\"url\": \"http://host/*x*/\", \"quote\": \"a\\\"//b\"}");
  ASSERT_TRUE(document);
  EXPECT_EQ(StringAt(document.get(), "url"), "http://host/*x*/");
  EXPECT_EQ(StringAt(document.get(), "quote"), "a\"//b");
}

TEST(JsonReaderTest, BlockCommentKeepsTokensApart) {
  EXPECT_EQ(Stripped("[1/**/2]"), "[1 2]");
  EXPECT_FALSE(ParseConfigJson("[1/**/2]"));
}

TEST(JsonReaderTest, LoneSlashIsUnexpectedCharacter) {
  std::string json;
  for (const char* text : {"{\"a\": 1 / 2}", "{} /x", "{}/"}) {
    EXPECT_EQ(StripJsonComments(text, &json), CommentError::kUnexpectedCharacter) << text;
    EXPECT_FALSE(ParseConfigJson(text)) << text;
  }
  EXPECT_STREQ(CommentErrorText(CommentError::kUnexpectedCharacter), "unexpected character");
}

TEST(JsonReaderTest, UnterminatedBlockCommentIsPrematureEnd) {
  std::string json;
  EXPECT_EQ(StripJsonComments("{} /* never closed *", &json), CommentError::kPrematureEndOfInput);
  EXPECT_FALSE(ParseConfigJson("{} /* never closed *"));
  EXPECT_STREQ(CommentErrorText(CommentError::kPrematureEndOfInput), "premature end of input");
}

TEST(JsonReaderTest, TextThatDoesNotParseGivesNull) {
  for (const char* text : {"", "{", "{\"a\": }", "\"unterminated", "{\"a\": 1}}"}) {
    EXPECT_FALSE(ParseConfigJson(text)) << text;
  }
}

TEST(LookupTest, DescendsThroughObjectsOnly) {
  JsonPtr document =
      ParseConfigJson("{\"a\": {\"b\": {\"c\": \"deep\"}}, \"s\": \"text\", \"n\": [1]}");
  ASSERT_TRUE(document);
  EXPECT_EQ(StringAt(document.get(), "a.b.c"), "deep");
  EXPECT_TRUE(json_is_object(Lookup(document.get(), "a.b")));
  EXPECT_EQ(Lookup(document.get(), "a.x.c"), nullptr);
  EXPECT_EQ(Lookup(document.get(), "s.c"), nullptr);
  EXPECT_EQ(Lookup(document.get(), "n.0"), nullptr);
  EXPECT_EQ(Lookup(document.get(), "a."), nullptr);
  EXPECT_EQ(Lookup(nullptr, "a"), nullptr);
}

}  // namespace
}  // namespace config
