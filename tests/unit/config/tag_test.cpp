#include "config/tag.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "base/file_util.h"
#include "installer/distribution_files.h"
#include "support/log_capture.h"
#include "support/pe_image.h"

namespace config {
namespace {

class ExtractTagTest : public testing::Test {
 protected:
  void TearDown() override { ::DeleteFileW(path_.c_str()); }

  std::wstring Write(const std::string& bytes) {
    EXPECT_TRUE(base::WriteDataToFile(path_, bytes));
    return path_;
  }

  std::wstring NewLogText() const { return log_.Text(); }

  const std::wstring path_ = base::GetTempFolder() + L"tag_test_image.exe";

 private:
  testing_support::LogCapture log_;
};

TEST_F(ExtractTagTest, ReadsTagOfFileWithoutLogging) {
  const std::wstring path = Write(test_support::TaggedImage({"banerid=7"}));
  EXPECT_EQ(ExtractTagFromFakeCertificate(path), "banerid=7");
  EXPECT_EQ(NewLogText().find(path), std::wstring::npos) << NewLogText();
}

TEST_F(ExtractTagTest, UnreadableExecutableLogsOpenAndReadFailures) {
  const std::wstring path = base::GetTempFolder() + L"no such folder\\installer.exe";
  EXPECT_EQ(ExtractTagFromFakeCertificate(path), "");
  const std::wstring log = NewLogText();
  EXPECT_NE(log.find(L"ERROR: ReadAllBytesFromFile"), std::wstring::npos) << log;
  EXPECT_NE(log.find(L"Can't open file " + path), std::wstring::npos) << log;
  EXPECT_NE(log.find(L"ERROR: ExtractTagFromFakeCertificate"), std::wstring::npos) << log;
  EXPECT_NE(log.find(L"Failed to read file " + path), std::wstring::npos) << log;
}

TEST_F(ExtractTagTest, FileThatIsNotPeLogsMissingTable) {
  const std::wstring path = Write("MZ, but far too short");
  EXPECT_EQ(ExtractTagFromFakeCertificate(path), "");
  EXPECT_NE(NewLogText().find(L"Failed to find certificate table in " + path), std::wstring::npos)
      << NewLogText();
}

TEST_F(ExtractTagTest, CorruptTableLogsInvalidAsn1) {
  std::string image = test_support::TaggedImage({"a=1"});
  image[test_support::kCertificateTableOffset + 9] = '\x80';
  const std::wstring path = Write(image);
  EXPECT_EQ(ExtractTagFromFakeCertificate(path), "");
  EXPECT_NE(NewLogText().find(L"Invalid ASN1 format of certificate table in " + path),
            std::wstring::npos)
      << NewLogText();
}

}  // namespace
}  // namespace config
