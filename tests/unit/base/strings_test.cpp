#include "base/strings.h"

#include <gtest/gtest.h>

namespace base {
namespace {

// The formatters stand in for printf's "%0*llu", "%0*llx" and "%0*llX" and
// must write the same text, limits and zero included.
TEST(NumberTextTest, MatchesThePrintfConversionsItReplaces) {
  EXPECT_EQ(PaddedDecimal(0, 2), "00");
  EXPECT_EQ(PaddedDecimal(7, 4), "0007");
  EXPECT_EQ(PaddedDecimal(2026, 4), "2026");
  EXPECT_EQ(PaddedDecimal(123456, 2), "123456");
  EXPECT_EQ(PaddedDecimal(UINT64_MAX, 0), "18446744073709551615");
  EXPECT_EQ(HexText(0, 0, false), "0");
  EXPECT_EQ(HexText(0x2ee7, 0, false), "2ee7");
  EXPECT_EQ(HexText(0x1f, 8, false), "0000001f");
  EXPECT_EQ(HexText(0x0a, 2, true), "0A");
  EXPECT_EQ(HexText(0xFFFFFFFFu, 8, false), "ffffffff");
  EXPECT_EQ(HexText(UINT64_MAX, 2, true), "FFFFFFFFFFFFFFFF");
}

TEST(NumberTextTest, WideDecimalReadsAsToWstring) {
  EXPECT_EQ(NumberToWide(0), L"0");
  EXPECT_EQ(NumberToWide(-42), L"-42");
  EXPECT_EQ(NumberToWide(INT64_MIN), L"-9223372036854775808");
  EXPECT_EQ(NumberToWide(UINT64_MAX), L"18446744073709551615");
  EXPECT_EQ(NumberToWide(static_cast<unsigned long>(4294967295u)), L"4294967295");
}

TEST(ParseUnsignedDecimalTest, AcceptsDigitsWithOptionalPlus) {
  uint64_t value = 0;
  EXPECT_TRUE(ParseUnsignedDecimal("1234", &value));
  EXPECT_EQ(value, 1234u);
  EXPECT_TRUE(ParseUnsignedDecimal("+7", &value));
  EXPECT_EQ(value, 7u);
  EXPECT_TRUE(ParseUnsignedDecimal("18446744073709551615", &value));
  EXPECT_EQ(value, 18446744073709551615u);
}

TEST(ParseUnsignedDecimalTest, RejectsSignsBlanksGarbageAndOverflow) {
  uint64_t value = 0;
  for (const char* text :
       {"", "+", "-1", " 1", "1 ", "12a", "0x10", "++1", "18446744073709551616"}) {
    EXPECT_FALSE(ParseUnsignedDecimal(text, &value)) << "accepted: \"" << text << "\"";
  }
}

TEST(ParseInt64Test, ReadsSignedValuesAndRejectsTrailingText) {
  int64_t value = 0;
  EXPECT_TRUE(ParseInt64("-2", &value));
  EXPECT_EQ(value, -2);
  EXPECT_TRUE(ParseInt64("-9223372036854775808", &value));
  EXPECT_EQ(value, INT64_MIN);
  EXPECT_FALSE(ParseInt64("9223372036854775808", &value));
  EXPECT_FALSE(ParseInt64("2x", &value));
  EXPECT_FALSE(ParseInt64("-+2", &value));
}

TEST(TrimWhitespaceTest, TrimsTheUnicodeBlanksButNotZeroWidthJoiner) {
  EXPECT_EQ(TrimWhitespace(L"\x3000\x00A0 a b\x2028\t"), L"a b");
  EXPECT_EQ(TrimWhitespace(L"\x200D"
                           L"a"),
            L"\x200D"
            L"a");
  EXPECT_EQ(TrimWhitespace(L" \x2000\x200A "), L"");
}

TEST(Utf8Test, RoundTripsNonAscii) {
  const std::wstring wide = L"Br\x00F6wser \x0411\x0440\x0430\x0443\x0437\x0435\x0440 \xD83D\xDE00";
  EXPECT_EQ(Utf8ToWide(WideToUtf8(wide)), wide);
}

}  // namespace
}  // namespace base
