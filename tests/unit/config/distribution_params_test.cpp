#include "config/distribution_params.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "base/command_line.h"
#include "base/file_util.h"
#include "support/pe_image.h"

namespace config {
namespace {

using Params = std::map<std::string, std::string>;

TEST(ParseDistributionParamsTextTest, LaterPairWinsAndOnlyTheFirstEqualsSplits) {
  EXPECT_EQ(ParseDistributionParamsText("p=1&q&&p=2&b=x=y&"),
            (Params{{"p", "2"}, {"q", ""}, {"b", "x=y"}}));
}

// Texts the tag tool takes and texts it refuses; the reason given for each
// refusal is checked by the tag tool's end-to-end tests.
TEST(DistributionParamsTextErrorTest, AcceptsOnlyPairsThatParseAsWritten) {
  for (const std::string text : {"banerid=7&velmaruid=42&lang=tr", "b=x=y", "e=", "k.v-1_x=%41"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(DistributionParamsTextError(text), "");
  }
  for (const std::string text : {"", "p=1&", "&p=1", "p", "p=1&p=2", "p=a b", "p=\t", "p q=1"}) {
    SCOPED_TRACE(text);
    EXPECT_NE(DistributionParamsTextError(text), "");
  }
}

// Parameters whose executable is a test image and whose stored text is kept
// in memory rather than in the registry.
class TestDistributionParams : public DistributionParams {
 public:
  explicit TestDistributionParams(std::wstring executable) : executable_(std::move(executable)) {}
  void StoreText(const std::string& text) override { stored_ = text; }
  std::wstring OwnExecutablePath() const override { return executable_; }
  const std::string& stored() const { return stored_; }

 private:
  std::wstring executable_;
  std::string stored_;
};

// The tests end to end run a tagged and an untagged build and read the file
// and the registry value; these cover the other sources and texts.
TEST(CreateJsonTest, ReadsTheSwitchElseTheTagAndWritesJsonOnlyForUtf8Pairs) {
  const std::wstring executable = base::GetTempFolder() + L"params_test_installer.exe";
  const std::wstring info_path = base::GetTempFolder() + kDistribInfoFileName;
  const std::string tagged = test_support::TaggedImage({"banerid=7"});
  const std::string not_utf8 = test_support::TaggedImage({"lang=\xff"});
  const std::string tag_record =
      test_support::PeImage(test_support::SignedData({std::string(300, '\0')})) +
      std::string("Vlct\x00\x07lang=tr", 13);
  struct Row {
    const wchar_t* switches;
    const std::string& image;
    std::string stored;
    bool info_file;
  };
  const Row rows[] = {
      {L"--distr-info-params=", tagged, "banerid=7", true},
      {L"--distr-info-params=lang=ru", tagged, "lang=ru", true},
      {L"", tag_record, "lang=tr", true},
      {L"--distr-info-params=&&", tagged, "&&", false},
      // The path is kept for the setup, but no file is written.
      {L"", not_utf8, "lang=\xff", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.stored);
    ::DeleteFileW(info_path.c_str());
    ASSERT_TRUE(base::WriteDataToFile(executable, row.image));
    TestDistributionParams params(executable);
    const Params expected = ParseDistributionParamsText(row.stored);
    EXPECT_EQ(params.CreateJsonFromDistribParams(
                  base::CommandLine::FromString(L"installer.exe " + std::wstring(row.switches))),
              !expected.empty());
    EXPECT_EQ(params.params(), expected);
    EXPECT_EQ(params.stored(), row.stored);
    EXPECT_EQ(params.info_file_path(), expected.empty() ? L"" : info_path);
    EXPECT_EQ(base::PathExists(info_path), row.info_file);
  }
  ::DeleteFileW(info_path.c_str());
  ::DeleteFileW(executable.c_str());
}

}  // namespace
}  // namespace config
