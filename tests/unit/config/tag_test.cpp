#include "config/tag.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <tuple>

#include "base/file_util.h"
#include "support/log_capture.h"
#include "support/pe_image.h"

namespace config {
namespace {

TEST(ExtractTagTest, ReadsTheTagOrLogsWhyThereIsNone) {
  const std::wstring path = base::GetTempFolder() + L"tag_test_image.exe";
  const std::wstring missing = base::GetTempFolder() + L"no such folder\\installer.exe";
  std::string corrupt = test_support::TaggedImage({"a=1"});
  corrupt[test_support::kCertificateTableOffset + 9] = '\x80';
  // Bytes of the file (none: the file is missing), its tag and the log line
  // it gives (none: the log does not name the file).
  const std::tuple<std::string, const char*, std::wstring> rows[] = {
      {test_support::TaggedImage({"banerid=7"}), "banerid=7", L""},
      {"MZ, but far too short", "", L"Failed to find certificate table in " + path},
      {corrupt, "", L"Invalid ASN1 format of certificate table in " + path},
      {"", "", L"Can't open file " + missing + L" Last error: "},
      {"", "", L"Failed to read file " + missing + L" Last error: "},
  };
  for (const auto& [bytes, tag, line] : rows) {
    SCOPED_TRACE(bytes.substr(0, 20));
    if (!bytes.empty()) {
      ASSERT_TRUE(base::WriteDataToFile(path, bytes));
    }
    testing_support::LogCapture log;
    EXPECT_EQ(ExtractTagFromFakeCertificate(bytes.empty() ? missing : path), tag);
    const std::wstring text = log.Text();
    EXPECT_EQ(text.find(line.empty() ? path : line) != std::wstring::npos, !line.empty()) << text;
  }
  ::DeleteFileW(path.c_str());
}

}  // namespace
}  // namespace config
