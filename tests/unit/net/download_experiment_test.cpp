#include "net/download_experiment.h"

#include <gtest/gtest.h>

#include "base/command_line.h"
#include "base/registry.h"
#include "config/distribution_params.h"
#include "support/log_capture.h"

namespace net {
namespace {

constexpr uint64_t kGiB = 1073741824;

// Every machine answer replaced; the state lives in memory.
class FakeExperiment : public DownloadExperiment {
 public:
  bool IsProgramFilesInstallation() const override { return program_files; }
  bool IsWindows64() const override { return windows64; }
  bool GetInstalledMemory(uint64_t* bytes) const override {
    *bytes = memory;
    return memory_known;
  }
  bool CoinToss() const override { return coin; }
  bool ReadState(std::string* value) const override {
    *value = state;
    return has_state;
  }
  bool WriteState(const std::string& value) const override {
    written.push_back(value);
    return write_works;
  }

  void Store(const std::string& value) {
    has_state = true;
    state = value;
  }

  bool program_files = false;
  bool windows64 = true;
  uint64_t memory = 8 * kGiB;
  bool memory_known = true;
  bool coin = true;
  std::string state;
  bool has_state = false;
  bool write_works = true;
  mutable std::vector<std::string> written;
};

config::DistributionParams ExperimentParams(const std::string& ram = "4294967296") {
  config::DistributionParams params;
  params.SetParamsForTesting({{"try_x64", "1"}, {"x64_ram", ram}});
  return params;
}

TEST(ParseExperimentStateTest, OnlyTheThreeDigitsAreStates) {
  EXPECT_EQ(ExperimentState::kKeep32, ParseExperimentState("0"));
  EXPECT_EQ(ExperimentState::kKeep64, ParseExperimentState("1"));
  EXPECT_EQ(ExperimentState::kDisabled, ParseExperimentState("2"));
  EXPECT_EQ(ExperimentState::kAbsent, ParseExperimentState("3"));
  EXPECT_EQ(ExperimentState::kAbsent, ParseExperimentState(" 1"));
  EXPECT_EQ(ExperimentState::kAbsent, ParseExperimentState(""));
}

TEST(AdjustDownloadUrlTest, CoinTossPicksEitherArchitectureWithEnoughMemory) {
  FakeExperiment experiment;
  experiment.AdjustDownloadUrl(ExperimentParams());
  EXPECT_EQ(kArchitecture64, experiment.architecture());
  experiment.coin = false;
  experiment.AdjustDownloadUrl(ExperimentParams());
  EXPECT_EQ(kArchitecture32, experiment.architecture());
}

TEST(AdjustDownloadUrlTest, MemoryJustBelowTheThresholdGivesNoChoiceAndNoState) {
  testing_support::LogCapture log;
  FakeExperiment experiment;
  experiment.memory = 4 * kGiB - 1;
  experiment.AdjustDownloadUrl(ExperimentParams());
  EXPECT_EQ(kArchitectureNone, experiment.architecture());
  EXPECT_NE(
      log.Text().find(L"Not enough memory fortry_x64 needed:4294967296, available:4294967295"),
      std::wstring::npos)
      << log.Text();
  experiment.ConfigurateRegistry(true);
  EXPECT_TRUE(experiment.written.empty());
}

TEST(AdjustDownloadUrlTest, MemoryExactlyAtTheThresholdIsEnough) {
  FakeExperiment experiment;
  experiment.memory = 4 * kGiB;
  experiment.AdjustDownloadUrl(ExperimentParams());
  EXPECT_EQ(kArchitecture64, experiment.architecture());
}

TEST(AdjustDownloadUrlTest, UnknownMemoryGivesNoChoice) {
  FakeExperiment experiment;
  experiment.memory_known = false;
  experiment.AdjustDownloadUrl(ExperimentParams());
  EXPECT_EQ(kArchitectureNone, experiment.architecture());
}

TEST(AdjustDownloadUrlTest, DisabledStateNeverChoosesEvenWithTheExperimentOn) {
  testing_support::LogCapture log;
  FakeExperiment experiment;
  experiment.Store("2");
  experiment.AdjustDownloadUrl(ExperimentParams());
  EXPECT_EQ(kArchitectureNone, experiment.architecture());
  EXPECT_NE(log.Text().find(L"Experimenttry_x64 is disabled"), std::wstring::npos) << log.Text();
}

TEST(AdjustDownloadUrlTest, StoredStateKeepsItsArchitectureWithoutTheExperiment) {
  FakeExperiment experiment;
  experiment.Store("0");
  experiment.AdjustDownloadUrl(config::DistributionParams());
  EXPECT_EQ(kArchitecture32, experiment.architecture());
  experiment.state = "1";
  experiment.AdjustDownloadUrl(config::DistributionParams());
  EXPECT_EQ(kArchitecture64, experiment.architecture());
}

TEST(AdjustDownloadUrlTest, UnknownStoredTextCountsAsAbsent) {
  FakeExperiment experiment;
  experiment.Store("yes");
  experiment.coin = false;
  experiment.AdjustDownloadUrl(ExperimentParams());
  EXPECT_EQ(kArchitecture32, experiment.architecture());
}

TEST(AdjustDownloadUrlTest, ProgramFilesInstallationOr32BitWindowsNeverChooses) {
  FakeExperiment experiment;
  experiment.Store("1");
  experiment.program_files = true;
  experiment.AdjustDownloadUrl(ExperimentParams());
  EXPECT_EQ(kArchitectureNone, experiment.architecture());
  experiment.program_files = false;
  experiment.windows64 = false;
  experiment.AdjustDownloadUrl(ExperimentParams());
  EXPECT_EQ(kArchitectureNone, experiment.architecture());
}

TEST(AdjustDownloadUrlTest, ExperimentNeedsBothTheSwitchParameterAndANumericThreshold) {
  FakeExperiment experiment;
  config::DistributionParams off;
  off.SetParamsForTesting({{"try_x64", "0"}, {"x64_ram", "1"}});
  experiment.AdjustDownloadUrl(off);
  EXPECT_EQ(kArchitectureNone, experiment.architecture());
  experiment.AdjustDownloadUrl(ExperimentParams("lots"));
  EXPECT_EQ(kArchitectureNone, experiment.architecture());
}

TEST(ChooseArchitectureTest, SwitchesDecideBeforeTheExperiment) {
  FakeExperiment experiment;
  experiment.Store("2");
  const config::DistributionParams params = ExperimentParams();
  experiment.ChooseArchitecture(base::CommandLine::FromString(L"a.exe --download-x32"), &params);
  EXPECT_EQ(kArchitecture32, experiment.architecture());
  experiment.ChooseArchitecture(
      base::CommandLine::FromString(L"a.exe --download-x32 --download-x64"), &params);
  EXPECT_EQ(kArchitecture64, experiment.architecture());
}

TEST(ChooseArchitectureTest, NoSwitchAndNoParametersLeavesNoChoice) {
  FakeExperiment experiment;
  experiment.Store("1");
  experiment.ChooseArchitecture(base::CommandLine::FromString(L"a.exe"), nullptr);
  EXPECT_EQ(kArchitectureNone, experiment.architecture());
}

TEST(ConfigurateRegistryTest, FirstUrlSuccessKeepsTheChosenArchitecture) {
  FakeExperiment experiment;
  experiment.AdjustDownloadUrl(ExperimentParams());
  experiment.ConfigurateRegistry(true);
  experiment.coin = false;
  experiment.AdjustDownloadUrl(ExperimentParams());
  experiment.ConfigurateRegistry(true);
  EXPECT_EQ((std::vector<std::string>{"1", "0"}), experiment.written);
}

TEST(ConfigurateRegistryTest, FailureOrLaterUrlSuccessDisablesTheExperiment) {
  FakeExperiment experiment;
  experiment.AdjustDownloadUrl(ExperimentParams());
  experiment.ConfigurateRegistry(false);
  EXPECT_EQ((std::vector<std::string>{"2"}), experiment.written);
}

TEST(ConfigurateRegistryTest, AForcedSwitchRecordsItsOutcomeOverADisabledState) {
  FakeExperiment experiment;
  experiment.Store("2");
  experiment.ChooseArchitecture(base::CommandLine::FromString(L"a.exe --download-x64"), nullptr);
  experiment.ConfigurateRegistry(true);
  EXPECT_EQ((std::vector<std::string>{"1"}), experiment.written);
}

// The real registry state, in the test prefix's own HKEY_CURRENT_USER.
TEST(DownloadExperimentRegistryTest, StoredStateDecidesTheNextRun) {
  class RealStateExperiment : public FakeExperiment {
   public:
    bool ReadState(std::string* value) const override {
      return DownloadExperiment::ReadState(value);
    }
    bool WriteState(const std::string& value) const override {
      return DownloadExperiment::WriteState(value);
    }
  };
  base::DeleteRegistryValue(HKEY_CURRENT_USER, base::kBrowserRegistryKey, kExperimentValueName);
  RealStateExperiment first;
  first.coin = false;
  first.AdjustDownloadUrl(ExperimentParams());
  first.ConfigurateRegistry(true);
  std::wstring stored;
  ASSERT_TRUE(base::ReadRegistryString(HKEY_CURRENT_USER, base::kBrowserRegistryKey,
                                       kExperimentValueName, &stored));
  EXPECT_EQ(L"0", stored);
  RealStateExperiment second;
  second.AdjustDownloadUrl(config::DistributionParams());
  EXPECT_EQ(kArchitecture32, second.architecture());
  base::DeleteRegistryValue(HKEY_CURRENT_USER, base::kBrowserRegistryKey, kExperimentValueName);
}

}  // namespace
}  // namespace net
