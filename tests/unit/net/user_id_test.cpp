#include "net/user_id.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "base/file_util.h"
#include "support/log_capture.h"

namespace net {
namespace {

TEST(UserIdTest, BracesAreStrippedOnlyAsAPair) {
  EXPECT_EQ(StripBraces("{open"), "{open");
  EXPECT_EQ(StripBraces("{{x}}"), "{x}");
}

TEST(UserIdTest, FileIsReadOnlyWhenItHoldsOneToSixtyFourBytes) {
  const struct {
    std::string content;
    bool exists;
    const wchar_t* log;  // the refusal's log line; empty when the file is read
  } rows[] = {
      {std::string(64, '\x7f'), true, L""},
      {std::string(65, 'a'), true, L"Incorrect User ID file content"},
      {std::string(66, 'a'), true, L"Failed to read file "},
      {"", true, L"Incorrect User ID file content"},
      {"", false, L"Failed to read file "},
  };
  const std::wstring path = base::GetTempFolder() + L"user_id_test";
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.content.size() << " bytes, exists " << row.exists);
    testing_support::LogCapture capture;
    ::DeleteFileW(path.c_str());
    ASSERT_TRUE(!row.exists || base::WriteDataToFile(path, row.content));
    std::string user_id;
    const bool read = ReadUserIdFromFile(path, &user_id);
    EXPECT_EQ(read, *row.log == L'\0');
    EXPECT_EQ(user_id, read ? row.content : "");
    EXPECT_NE(capture.Text().find(row.log), std::wstring::npos) << capture.Text();
  }
  ::DeleteFileW(path.c_str());
  EXPECT_EQ(CheckUserIdFileSize(1ull << 40), UserIdContent::kTooLongToRead);
}

}  // namespace
}  // namespace net
