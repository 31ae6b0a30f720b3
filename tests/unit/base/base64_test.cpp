#include "base/base64.h"

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(Base64Test, EncodesAndDecodesEveryPaddingLengthAndBothSpecialCharacters) {
  const std::string high("\xfb\xff\x00", 3);
  const std::pair<std::string, std::string> rows[] = {
      {"", ""}, {"M", "TQ=="}, {"Ma", "TWE="}, {"Man", "TWFu"}, {high, "+/8A"}};
  for (const auto& [bytes, text] : rows) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Base64Encode(bytes), text);
    std::string decoded;
    EXPECT_TRUE(Base64Decode(text, &decoded));
    EXPECT_EQ(decoded, bytes);
  }
}

TEST(Base64Test, RejectsBadCharactersLengthsAndPaddingAndLeavesNothing) {
  for (const char* text :
       {"TWF", "TWFuT", "TW*u", "TW u", "T===", "====", "TQ=A", "=QQQ", "TWFu\n", "TW-_"}) {
    std::string bytes = "left over";
    EXPECT_FALSE(Base64Decode(text, &bytes)) << "accepted: \"" << text << "\"";
    EXPECT_TRUE(bytes.empty()) << "left: " << bytes;
  }
}

}  // namespace
}  // namespace base
