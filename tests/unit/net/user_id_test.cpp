#include "net/user_id.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "support/log_capture.h"

namespace net {
namespace {

TEST(UserIdTest, FileOfAnySizeAbove65BytesCannotBeRead) {
  EXPECT_EQ(CheckUserIdFileSize(1ull << 40), UserIdContent::kTooLongToRead);
}

TEST(UserIdTest, BracesAreStrippedOnlyAsAPair) {
  EXPECT_EQ(StripBraces("{0C1D2E3F-0000-4000-8000-000000000001}"),
            "0C1D2E3F-0000-4000-8000-000000000001");
  EXPECT_EQ(StripBraces("no-braces"), "no-braces");
  EXPECT_EQ(StripBraces("{open"), "{open");
  EXPECT_EQ(StripBraces("{{x}}"), "{x}");
}

class UserIdFileTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"user_id_test_" + std::to_wstring(::GetCurrentProcessId());
  }
  void TearDown() override { ::DeleteFileW(path_.c_str()); }

  void Write(const std::string& bytes) {
    HANDLE file = ::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
  }

  std::wstring path_;
};

TEST_F(UserIdFileTest, SixtyFourBytesOfAnyTextAreAccepted) {
  const std::string text(64, '\x7f');
  Write(text);
  std::string user_id;
  ASSERT_TRUE(ReadUserIdFromFile(path_, &user_id));
  EXPECT_EQ(user_id, text);
}

TEST_F(UserIdFileTest, SixtyFiveBytesAreIncorrectContent) {
  testing_support::LogCapture capture;
  Write(std::string(65, 'a'));
  std::string user_id;
  EXPECT_FALSE(ReadUserIdFromFile(path_, &user_id));
  EXPECT_NE(capture.Text().find(L"ReadUserIdFromFile ("), std::wstring::npos);
  EXPECT_NE(capture.Text().find(L"Incorrect User ID file content"), std::wstring::npos)
      << capture.Text();
}

TEST_F(UserIdFileTest, SixtySixBytesFailToRead) {
  testing_support::LogCapture capture;
  Write(std::string(66, 'a'));
  std::string user_id;
  EXPECT_FALSE(ReadUserIdFromFile(path_, &user_id));
  EXPECT_NE(capture.Text().find(L"Failed to read file " + path_), std::wstring::npos)
      << capture.Text();
}

TEST_F(UserIdFileTest, EmptyFileIsIncorrectContent) {
  testing_support::LogCapture capture;
  Write("");
  std::string user_id;
  EXPECT_FALSE(ReadUserIdFromFile(path_, &user_id));
  EXPECT_NE(capture.Text().find(L"Incorrect User ID file content"), std::wstring::npos);
}

TEST_F(UserIdFileTest, MissingFileFailsToRead) {
  testing_support::LogCapture capture;
  std::string user_id;
  EXPECT_FALSE(ReadUserIdFromFile(path_, &user_id));
  EXPECT_NE(capture.Text().find(L"Failed to read file " + path_), std::wstring::npos);
}

}  // namespace
}  // namespace net
