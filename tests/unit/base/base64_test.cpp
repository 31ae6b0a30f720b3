#include "base/base64.h"

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(Base64DecodeTest, DecodesEveryPaddingLength) {
  std::string bytes;
  EXPECT_TRUE(Base64Decode("TWFu", &bytes));
  EXPECT_EQ(bytes, "Man");
  EXPECT_TRUE(Base64Decode("TWE=", &bytes));
  EXPECT_EQ(bytes, "Ma");
  EXPECT_TRUE(Base64Decode("TQ==", &bytes));
  EXPECT_EQ(bytes, "M");
  EXPECT_TRUE(Base64Decode("", &bytes));
  EXPECT_EQ(bytes, "");
}

TEST(Base64DecodeTest, DecodesHighBytesAndBothSpecialCharacters) {
  std::string bytes;
  EXPECT_TRUE(Base64Decode("+/8A", &bytes));
  EXPECT_EQ(bytes, std::string("\xfb\xff\x00", 3));
}

TEST(Base64DecodeTest, RejectsBadCharactersLengthsAndPadding) {
  for (const char* text :
       {"TWF", "TWFuT", "TW*u", "TW u", "T===", "====", "TQ=A", "=QQQ", "TWFu\n", "TW-_"}) {
    std::string bytes = "left over";
    EXPECT_FALSE(Base64Decode(text, &bytes)) << "accepted: \"" << text << "\"";
    EXPECT_TRUE(bytes.empty()) << "left: " << bytes;
  }
}

TEST(Base64EncodeTest, PadsEachRemainderAndRoundTripsEveryByte) {
  EXPECT_EQ(Base64Encode(""), "");
  EXPECT_EQ(Base64Encode("M"), "TQ==");
  EXPECT_EQ(Base64Encode("Ma"), "TWE=");
  EXPECT_EQ(Base64Encode("Man"), "TWFu");
  EXPECT_EQ(Base64Encode(std::string("\xfb\xff\x00", 3)), "+/8A");
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  std::string decoded;
  ASSERT_TRUE(Base64Decode(Base64Encode(all), &decoded));
  EXPECT_EQ(decoded, all);
}

}  // namespace
}  // namespace base
