#include "installer/delayed_params.h"

#include <gtest/gtest.h>

#include "base/command_line.h"
#include "support/log_capture.h"

namespace installer {
namespace {

bool AlwaysReadable(const std::wstring&) { return true; }

DelayedParams FullParams() {
  DelayedParams params;
  params.browser_arc_path = L"C:\\Temp\\vb1.tmp";
  params.brand_package_path = L"C:\\Temp\\brand.cab";
  params.histogram_download_time = L"12";
  return params;
}

base::CommandLine Apply(const DelayedParamsBlock& block,
                        const wchar_t* command_line = L"fake_browser_arc") {
  base::CommandLine result = base::CommandLine::FromString(command_line);
  ApplyDelayedParamsBlock(block, AlwaysReadable, &result);
  return result;
}

// The files the elevated copy passes on are seen end to end; the packages
// are not, and a package the master did not write must not be named.
TEST(DelayedParamsTest, BlockNamesOnlyThePackagesTheMasterWrote) {
  DelayedParamsBlock block = {};
  ASSERT_TRUE(FillDelayedParamsBlock(FullParams(), &block));
  const base::CommandLine setup =
      Apply(block, L"fake_browser_arc --make-browser-default-after-import --brand-name=tb");
  EXPECT_EQ(setup.GetCommandLineString(),
            L"\"C:\\Temp\\vb1.tmp\" --brand-name=tb --brand-package=\"C:\\Temp\\brand.cab\""
            L" --histogram-download-time=12");
}

TEST(DelayedParamsTest, LongestValuesArriveWholeAndOneCharacterMoreRefusesTheBlock) {
  DelayedParams params = FullParams();
  params.partner_package_path = std::wstring(260, L'p');
  params.histogram_download_time = std::wstring(32, L'9');
  DelayedParamsBlock block = {};
  ASSERT_TRUE(FillDelayedParamsBlock(params, &block));
  const base::CommandLine setup = Apply(block);
  EXPECT_EQ(setup.GetSwitchValue("partner-package"), params.partner_package_path);
  EXPECT_EQ(setup.GetSwitchValue("histogram-download-time"), params.histogram_download_time);

  DelayedParams long_time = params;
  long_time.histogram_download_time += L'9';
  EXPECT_FALSE(FillDelayedParamsBlock(long_time, &block));
  testing_support::LogCapture capture;
  params.partner_package_path += L'p';
  DelayedParamsBlock refused = {};
  EXPECT_FALSE(FillDelayedParamsBlock(params, &refused));
  EXPECT_EQ(refused.browser_arc_path[0], L'\0') << "nothing may be written on refusal";
  const std::wstring log = capture.Text();
  EXPECT_NE(log.find(L"ERROR: WriteDelayedParams"), std::wstring::npos) << log;
  EXPECT_NE(log.find(L"Too large string length, browser_arc_path=C:\\Temp\\vb1.tmp"),
            std::wstring::npos);
}

}  // namespace
}  // namespace installer
