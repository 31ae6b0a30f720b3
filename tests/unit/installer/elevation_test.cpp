#include "installer/elevation.h"

#include <gtest/gtest.h>

#include "base/command_line.h"
#include "base/os_version.h"
#include "config/distribution_params.h"
#include "installer/disk_space.h"
#include "support/log_capture.h"

namespace installer {
namespace {

class FakeEnvironment : public ElevationEnvironment {
 public:
  explicit FakeEnvironment(const wchar_t* command_line, bool admin = true, int os = base::kOsWin10,
                           bool elevated_now = false)
      : admin_group(admin),
        os_index(os),
        elevated(elevated_now),
        command_line_(base::CommandLine::FromString(command_line)) {}
  bool IsUserInAdminGroup() const override { return admin_group; }
  int OsVersionIndex() const override { return os_index; }
  bool IsProcessElevated() const override { return elevated; }
  const base::CommandLine& GetCommandLine() const override { return command_line_; }

  bool admin_group;
  int os_index;
  bool elevated;

 private:
  base::CommandLine command_line_;
};

TEST(NeedStartThisProcessAsAdminTest, EachRefusalLogsItsReason) {
  const struct {
    FakeEnvironment environment;
    const wchar_t* refusal;  // nullptr: the prompt is offered
  } rows[] = {
      {FakeEnvironment(L"a.exe"), nullptr},
      {FakeEnvironment(L"a.exe --semi-silent"), nullptr},
      {FakeEnvironment(L"a.exe --silent", true, base::kOsWin10, true), nullptr},
      {FakeEnvironment(L"a.exe", false), L"User is not in admin group."},
      {FakeEnvironment(L"a.exe", true, base::kOsServer2003), L"Windows version is not suitable"},
      {FakeEnvironment(L"a.exe --patch"), L"Found non install-switch:patch"},
      {FakeEnvironment(L"a.exe --run-as-admin"), L"Run-as-admin functionality"},
      {FakeEnvironment(L"a.exe --silent"), L"UAC will not be shown."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.environment.GetCommandLine().GetCommandLineString());
    testing_support::LogCapture capture;
    EXPECT_EQ(NeedStartThisProcessAsAdmin(row.environment), row.refusal == nullptr);
    if (row.refusal != nullptr) {
      EXPECT_NE(capture.Text().find(row.refusal), std::wstring::npos) << capture.Text();
    }
  }
}

int Mode(std::map<std::string, std::string> params, const wchar_t* command_line = L"a.exe") {
  config::DistributionParams distribution;
  distribution.SetParamsForTesting(std::move(params));
  return GetElevationMode(distribution, base::CommandLine::FromString(command_line));
}

TEST(GetElevationModeTest, FollowsTheUacParameterAndZeroElevatesOnlyOnAutomaticFirstStart) {
  EXPECT_EQ(Mode({}), 0);
  EXPECT_EQ(Mode({{"uac", "2"}}), 2);
  EXPECT_EQ(Mode({{"uac", "3"}}), 0);
  EXPECT_EQ(Mode({{"uac", "2"}}, L"a.exe --system-level"), 0);
  EXPECT_EQ(Mode({{"uac", "1"}}, L"a.exe --program-files-installation"), 0);
  EXPECT_EQ(Mode({{"uac", "0"}, {"first", "1"}, {"def", "1"}, {"stat", "0"}}), 1);
  EXPECT_EQ(Mode({{"uac", "0"}, {"first", "1"}, {"def", "1"}, {"statpromo", "true"}}), 1);
  EXPECT_EQ(Mode({{"uac", "0"}, {"first", "1"}, {"def", "1"}, {"statpromo", "false"}}), 0);
  EXPECT_EQ(Mode({{"uac", "0"}, {"first", "0"}, {"def", "1"}, {"stat", "1"}}), 0);
}

class FakeDiskProbe : public DiskSpaceProbe {
 public:
  bool GetInstallFolder(bool, std::wstring* folder) const override {
    *folder = L"C:\\x";
    return true;
  }
  bool GetFreeBytes(const std::wstring&, uint64_t* free_bytes) const override {
    *free_bytes = free;
    return free_ok;
  }
  bool free_ok = true;
  uint64_t free = kRequiredDiskSpaceBytes - 1;
};

// A full disk seen by a whole silent run is tested end to end.
TEST(HasEnoughDiskSpaceTest, AnswersNoOnlyWhenItKnowsThereIsTooLittle) {
  FakeDiskProbe probe;
  EXPECT_FALSE(HasEnoughDiskSpace(true, kRequiredDiskSpaceBytes, probe));
  probe.free = kRequiredDiskSpaceBytes;
  EXPECT_TRUE(HasEnoughDiskSpace(false, kRequiredDiskSpaceBytes, probe));
  probe.free = 0;
  probe.free_ok = false;
  testing_support::LogCapture capture;
  EXPECT_TRUE(HasEnoughDiskSpace(false, kRequiredDiskSpaceBytes, probe));
  EXPECT_NE(capture.Text().find(L"GetDiskFreeSpaceEx failed"), std::wstring::npos);
}

}  // namespace
}  // namespace installer
