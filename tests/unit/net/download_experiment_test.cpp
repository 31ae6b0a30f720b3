#include "net/download_experiment.h"

#include <gtest/gtest.h>

#include "base/command_line.h"
#include "base/registry.h"
#include "config/distribution_params.h"
#include "support/log_capture.h"

namespace net {
namespace {

// Every machine answer replaced; the state lives in memory unless the test
// asks for the real registry value.
class FakeExperiment : public DownloadExperiment {
 public:
  explicit FakeExperiment(const char* stored = "", uint64_t installed = 100)
      : memory(installed), state(stored) {}
  bool IsProgramFilesInstallation() const override { return program_files; }
  bool IsWindows64() const override { return windows64; }
  bool GetInstalledMemory(uint64_t* bytes) const override {
    *bytes = memory;
    return true;
  }
  bool CoinToss() const override { return coin; }
  bool ReadState(std::string* value) const override {
    if (real_state) return DownloadExperiment::ReadState(value);
    *value = state;
    return true;
  }
  bool WriteState(const std::string& value) const override {
    written.push_back(value);
    return !real_state || DownloadExperiment::WriteState(value);
  }

  bool program_files = false;
  bool windows64 = true;
  uint64_t memory;
  bool coin = true;
  std::string state;
  bool real_state = false;
  mutable std::vector<std::string> written;
};

using Params = std::map<std::string, std::string>;
const Params kOn = {{"try_x64", "1"}, {"x64_ram", "100"}};

config::DistributionParams Distribution(const Params& values) {
  config::DistributionParams params;
  params.SetParamsForTesting(values);
  return params;
}

// `experiment` after its choice with `switches` and `params`.
FakeExperiment Chosen(FakeExperiment experiment, const wchar_t* switches,
                      const Params& params = kOn) {
  const config::DistributionParams distribution = Distribution(params);
  experiment.ChooseArchitecture(base::CommandLine::FromString(std::wstring(L"a.exe ") + switches),
                                &distribution);
  return experiment;
}

uint32_t Choose(FakeExperiment experiment, const wchar_t* switches, const Params& params = kOn) {
  return Chosen(std::move(experiment), switches, params).architecture();
}

TEST(DownloadExperimentTest, ChoiceFollowsSwitchesStoredStateAndMemory) {
  testing_support::LogCapture log;
  EXPECT_EQ(Choose(FakeExperiment("", 100), L""), kArchitecture64);
  EXPECT_EQ(Choose(FakeExperiment("", 99), L""), kArchitectureNone);
  EXPECT_EQ(Choose(FakeExperiment(), L"", {{"try_x64", "0"}, {"x64_ram", "1"}}), kArchitectureNone);
  // A stored state decides without the experiment's parameters.
  EXPECT_EQ(Choose(FakeExperiment("0"), L"", {}), kArchitecture32);
  EXPECT_EQ(Choose(FakeExperiment("1"), L"", {}), kArchitecture64);
  EXPECT_EQ(Choose(FakeExperiment("2"), L""), kArchitectureNone);
  // Only the three digits are states; anything else counts as absent.
  EXPECT_EQ(Choose(FakeExperiment(" 1"), L"", {}), kArchitectureNone);
  EXPECT_EQ(Choose(FakeExperiment("3"), L""), kArchitecture64);
  // Switches decide before the experiment, the 64-bit one first.
  EXPECT_EQ(Choose(FakeExperiment("2"), L"--download-x32"), kArchitecture32);
  EXPECT_EQ(Choose(FakeExperiment("0"), L"--download-x32 --download-x64", {}), kArchitecture64);
  FakeExperiment program_files("1");
  program_files.program_files = true;
  EXPECT_EQ(Choose(program_files, L""), kArchitectureNone);
  FakeExperiment windows32("1");
  windows32.windows64 = false;
  EXPECT_EQ(Choose(windows32, L""), kArchitectureNone);
  // The log lines read as documented.
  EXPECT_NE(log.Text().find(L"Not enough memory fortry_x64 needed:100, available:99"),
            std::wstring::npos)
      << log.Text();
  EXPECT_NE(log.Text().find(L"Experimenttry_x64 is disabled"), std::wstring::npos) << log.Text();
}

// What is stored after a download that did or did not succeed on the first URL.
std::vector<std::string> Stored(FakeExperiment experiment, const wchar_t* switches, bool success) {
  FakeExperiment chosen = Chosen(std::move(experiment), switches);
  chosen.ConfigurateRegistry(success);
  return chosen.written;
}

TEST(DownloadExperimentTest, OutcomeOfTheDownloadIsStored) {
  using Values = std::vector<std::string>;
  FakeExperiment tails;
  tails.coin = false;
  EXPECT_EQ(Stored(FakeExperiment(), L"", true), Values{"1"});
  EXPECT_EQ(Stored(tails, L"", true), Values{"0"});
  EXPECT_EQ(Stored(FakeExperiment(), L"", false), Values{"2"});
  // A forced switch records its outcome over a disabled state.
  EXPECT_EQ(Stored(FakeExperiment("2"), L"--download-x64", true), Values{"1"});
  EXPECT_EQ(Stored(FakeExperiment("2"), L"", true), Values{});
}

// The real registry state, in the test prefix's own HKEY_CURRENT_USER.
TEST(DownloadExperimentTest, StoredStateDecidesTheNextRun) {
  base::DeleteRegistryValue(HKEY_CURRENT_USER, base::kBrowserRegistryKey, kExperimentValueName);
  FakeExperiment first;
  first.real_state = true;
  first.coin = false;
  Chosen(first, L"").ConfigurateRegistry(true);
  FakeExperiment second;
  second.real_state = true;
  EXPECT_EQ(Choose(second, L"", {}), kArchitecture32);
  base::DeleteRegistryValue(HKEY_CURRENT_USER, base::kBrowserRegistryKey, kExperimentValueName);
}

}  // namespace
}  // namespace net
