#include "base/strings.h"

#include <gtest/gtest.h>

namespace base {
namespace {

// The number formatters are read through the log's tests: its time stamp,
// its error texts and its figures at their limits.
TEST(ParseNumberTest, AcceptsOnlyWholeInRangeDecimals) {
  const std::pair<const char*, bool> unsigned_rows[] = {
      {"1234", true},  {"+7", true},   {"18446744073709551615", true},
      {"", false},     {"+", false},   {"-1", false},
      {" 1", false},   {"1 ", false},  {"12a", false},
      {"0x10", false}, {"++1", false}, {"18446744073709551616", false}};
  for (const auto& [text, valid] : unsigned_rows) {
    uint64_t value = 0;
    EXPECT_EQ(ParseUnsignedDecimal(text, &value), valid) << "\"" << text << "\"";
    if (valid) {
      EXPECT_EQ(std::to_string(value), std::string(text).substr(text[0] == '+'));
    }
  }
  int64_t value = 0;
  EXPECT_TRUE(ParseInt64("-9223372036854775808", &value));
  EXPECT_EQ(value, INT64_MIN);
  for (const char* text : {"9223372036854775808", "2x", "-+2"}) {
    EXPECT_FALSE(ParseInt64(text, &value)) << text;
  }
}

TEST(TrimWhitespaceTest, TrimsTheUnicodeBlanksButNotZeroWidthJoiner) {
  EXPECT_EQ(TrimWhitespace(L"\x3000\x00A0 a b\x2028\t"), L"a b");
  EXPECT_EQ(TrimWhitespace(L"\u200Da"), L"\u200Da");
  EXPECT_EQ(TrimWhitespace(L" \x2000\x200A "), L"");
}

TEST(Utf8Test, RoundTripsNonAscii) {
  const std::wstring wide = L"Br\x00F6wser \x0411\x0440\x0430\x0443\x0437\x0435\x0440 \xD83D\xDE00";
  EXPECT_EQ(Utf8ToWide(WideToUtf8(wide)), wide);
}

}  // namespace
}  // namespace base
