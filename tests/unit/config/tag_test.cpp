#include "config/tag.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <vector>

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
  struct Row {
    std::string bytes;
    const char* tag;
    std::vector<std::wstring> log_lines;
  };
  const Row rows[] = {
      {test_support::TaggedImage({"banerid=7"}), "banerid=7", {}},
      {"MZ, but far too short", "", {L"Failed to find certificate table in " + path}},
      {corrupt, "", {L"Invalid ASN1 format of certificate table in " + path}},
      {"",
       "",
       {L"ERROR: ReadAllBytesFromFile", L"Can't open file " + missing,
        L"ERROR: ExtractTagFromFakeCertificate", L"Failed to read file " + missing}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.bytes.substr(0, 20));
    const bool written = !row.bytes.empty();
    if (written) {
      ASSERT_TRUE(base::WriteDataToFile(path, row.bytes));
    }
    testing_support::LogCapture log;
    EXPECT_EQ(ExtractTagFromFakeCertificate(written ? path : missing), row.tag);
    const std::wstring text = log.Text();
    for (const std::wstring& line : row.log_lines) {
      EXPECT_NE(text.find(line), std::wstring::npos) << text;
    }
    if (row.log_lines.empty()) {
      EXPECT_EQ(text.find(path), std::wstring::npos) << text;
    }
  }
  ::DeleteFileW(path.c_str());
}

}  // namespace
}  // namespace config
