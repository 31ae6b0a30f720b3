#include "config/distribution_params.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "base/command_line.h"
#include "base/file_util.h"
#include "config/tag.h"
#include "installer/distribution_files.h"
#include "support/pe_image.h"

namespace installer {
namespace {

using Params = std::map<std::string, std::string>;

TEST(ParseDistributionParamsTextTest, KeyWithoutEqualsHasEmptyValue) {
  EXPECT_EQ(config::ParseDistributionParamsText("p=1&q&r=3"),
            (Params{{"p", "1"}, {"q", ""}, {"r", "3"}}));
}

TEST(ParseDistributionParamsTextTest, LaterPairWinsAndValueKeepsEquals) {
  EXPECT_EQ(config::ParseDistributionParamsText("a=1&&a=2&b=x=y&"),
            (Params{{"a", "2"}, {"b", "x=y"}}));
}

// Parameters whose executable is a test image and whose stored text is kept
// in memory rather than in the registry.
class TestDistributionParams : public config::DistributionParams {
 public:
  explicit TestDistributionParams(std::wstring executable) : executable_(std::move(executable)) {}
  void StoreText(const std::string& text) override { stored_ = text; }
  std::wstring OwnExecutablePath() const override { return executable_; }
  const std::string& stored() const { return stored_; }

 private:
  std::wstring executable_;
  std::string stored_;
};

class CreateJsonTest : public testing::Test {
 protected:
  void SetUp() override { ::DeleteFileW(info_path_.c_str()); }
  void TearDown() override {
    ::DeleteFileW(info_path_.c_str());
    ::DeleteFileW(executable_.c_str());
  }

  void WriteExecutable(const std::string& bytes) {
    ASSERT_TRUE(base::WriteDataToFile(executable_, bytes));
  }

  std::string InfoFileText() {
    std::string text;
    EXPECT_TRUE(config::ReadAllBytesFromFile(info_path_, &text));
    return text;
  }

  const std::wstring executable_ = base::GetTempFolder() + L"params_test_installer.exe";
  const std::wstring info_path_ = base::GetTempFolder() + config::kDistribInfoFileName;
};

TEST_F(CreateJsonTest, TagBecomesJsonFileWithTwoSpaceIndent) {
  WriteExecutable(test_support::TaggedImage({"velmaruid=42&banerid=7"}));
  TestDistributionParams params(executable_);
  EXPECT_TRUE(params.CreateJsonFromDistribParams(base::CommandLine::FromString(L"installer.exe")));
  EXPECT_EQ(params.info_file_path(), info_path_);
  EXPECT_EQ(InfoFileText(), "{\n  \"banerid\": \"7\",\n  \"velmaruid\": \"42\"\n}");
  EXPECT_EQ(params.stored(), "velmaruid=42&banerid=7");
}

TEST_F(CreateJsonTest, SwitchWinsOverTag) {
  WriteExecutable(test_support::TaggedImage({"banerid=7"}));
  TestDistributionParams params(executable_);
  params.CreateJsonFromDistribParams(
      base::CommandLine::FromString(L"installer.exe --distr-info-params=banerid=9&lang=tr"));
  EXPECT_EQ(params.params(), (Params{{"banerid", "9"}, {"lang", "tr"}}));
  EXPECT_EQ(params.stored(), "banerid=9&lang=tr");
}

TEST_F(CreateJsonTest, EmptySwitchFallsThroughToTag) {
  WriteExecutable(test_support::TaggedImage({"banerid=7"}));
  TestDistributionParams params(executable_);
  params.CreateJsonFromDistribParams(
      base::CommandLine::FromString(L"installer.exe --distr-info-params="));
  EXPECT_EQ(params.params(), (Params{{"banerid", "7"}}));
}

TEST_F(CreateJsonTest, TagRecordIsReadWhenThereIsNoDummyCertificate) {
  WriteExecutable(test_support::PeImage(test_support::SignedData({std::string(300, '\0')})) +
                  std::string("Vlct\x00\x07lang=tr", 13));
  TestDistributionParams params(executable_);
  EXPECT_TRUE(params.CreateJsonFromDistribParams(base::CommandLine::FromString(L"installer.exe")));
  EXPECT_EQ(params.params(), (Params{{"lang", "tr"}}));
}

TEST_F(CreateJsonTest, NoParametersWritesNoJsonFile) {
  WriteExecutable(test_support::TaggedImage({""}));
  TestDistributionParams params(executable_);
  EXPECT_FALSE(params.CreateJsonFromDistribParams(base::CommandLine::FromString(L"installer.exe")));
  EXPECT_TRUE(params.info_file_path().empty());
  EXPECT_TRUE(params.stored().empty());
  EXPECT_FALSE(base::PathExists(info_path_));
}

TEST_F(CreateJsonTest, TextWithoutPairsIsStoredButWritesNoJsonFile) {
  TestDistributionParams params(executable_);
  EXPECT_FALSE(params.CreateJsonFromDistribParams(
      base::CommandLine::FromString(L"installer.exe --distr-info-params=&&")));
  EXPECT_EQ(params.stored(), "&&");
  EXPECT_FALSE(base::PathExists(info_path_));
}

TEST_F(CreateJsonTest, TextThatIsNotUtf8KeepsThePathWithoutFile) {
  WriteExecutable(test_support::TaggedImage({"lang=\xff"}));
  TestDistributionParams params(executable_);
  EXPECT_TRUE(params.CreateJsonFromDistribParams(base::CommandLine::FromString(L"installer.exe")));
  EXPECT_EQ(params.info_file_path(), info_path_);
  EXPECT_FALSE(base::PathExists(info_path_));
}

}  // namespace
}  // namespace installer
