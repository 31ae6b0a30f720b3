#include "installer/delayed_params.h"

#include <gtest/gtest.h>

#include "base/command_line.h"
#include "support/log_capture.h"

namespace installer {
namespace {

bool AlwaysReadable(const std::wstring&) { return true; }
bool NeverReadable(const std::wstring&) { return false; }

DelayedParams FullParams() {
  DelayedParams params;
  params.browser_arc_path = L"C:\\Temp\\vb1.tmp";
  params.clids_file_path = L"C:\\Temp\\clids.xml";
  params.clids_searchband_file_path = L"C:\\Temp\\clids_searchband.xml";
  params.velmar_website_icon_file_path = L"C:\\Temp\\website.ico";
  params.installer_data_path = L"C:\\Temp\\master_preferences";
  params.brand_package_path = L"C:\\Temp\\brand.cab";
  params.histogram_download_time = L"12";
  params.send_statistics = true;
  return params;
}

TEST(DelayedParamsTest, BlockCarriesEveryFieldIntoTheSetupCommandLine) {
  DelayedParamsBlock block = {};
  ASSERT_TRUE(FillDelayedParamsBlock(FullParams(), &block));
  base::CommandLine command_line = base::CommandLine::FromString(
      L"fake_browser_arc --make-browser-default-after-import --brand-name=tb");
  ApplyDelayedParamsBlock(block, AlwaysReadable, &command_line);
  EXPECT_EQ(command_line.GetProgram(), L"C:\\Temp\\vb1.tmp");
  EXPECT_EQ(command_line.GetSwitchValue("installerdata"), L"C:\\Temp\\master_preferences");
  EXPECT_EQ(command_line.GetSwitchValue("clids-file"), L"C:\\Temp\\clids.xml");
  EXPECT_EQ(command_line.GetSwitchValue("clids-searchband-file"),
            L"C:\\Temp\\clids_searchband.xml");
  EXPECT_EQ(command_line.GetSwitchValue("velmar-website-icon-file"), L"C:\\Temp\\website.ico");
  EXPECT_EQ(command_line.GetSwitchValue("brand-package"), L"C:\\Temp\\brand.cab");
  EXPECT_FALSE(command_line.HasSwitch("partner-package"));
  EXPECT_FALSE(command_line.HasSwitch("override-partner-package"));
  EXPECT_TRUE(command_line.HasSwitch("send-statistics"));
  EXPECT_FALSE(command_line.HasSwitch("make-browser-default-after-import"));
  EXPECT_EQ(command_line.GetSwitchValue("histogram-download-time"), L"12");
  EXPECT_EQ(command_line.GetSwitchValue("brand-name"), L"tb");
}

TEST(DelayedParamsTest, EmptyOrUnreadableIconIsNotPassedOn) {
  DelayedParamsBlock block = {};
  ASSERT_TRUE(FillDelayedParamsBlock(FullParams(), &block));
  base::CommandLine command_line;
  ApplyDelayedParamsBlock(block, NeverReadable, &command_line);
  EXPECT_FALSE(command_line.HasSwitch("velmar-website-icon-file"));
}

TEST(DelayedParamsTest, PathOf260CharactersArrivesWholeAnd261RefusesTheBlock) {
  DelayedParams params = FullParams();
  params.partner_package_path = std::wstring(260, L'p');
  DelayedParamsBlock block = {};
  ASSERT_TRUE(FillDelayedParamsBlock(params, &block));
  base::CommandLine command_line;
  ApplyDelayedParamsBlock(block, AlwaysReadable, &command_line);
  EXPECT_EQ(command_line.GetSwitchValue("partner-package"), params.partner_package_path);

  testing_support::LogCapture capture;
  params.partner_package_path += L'p';
  DelayedParamsBlock refused = {};
  EXPECT_FALSE(FillDelayedParamsBlock(params, &refused));
  EXPECT_EQ(refused.browser_arc_path[0], L'\0') << "nothing may be written on refusal";
  const std::wstring log = capture.Text();
  EXPECT_NE(log.find(L"ERROR: WriteDelayedParams"), std::wstring::npos) << log.c_str();
  EXPECT_NE(log.find(L"Too large string length, browser_arc_path=C:\\Temp\\vb1.tmp"),
            std::wstring::npos);
  EXPECT_NE(log.find(L" send_statistics=1 make_default=0"), std::wstring::npos);
}

TEST(DelayedParamsTest, DownloadTimeOf32CharactersFitsAnd33Refuses) {
  DelayedParams params = FullParams();
  params.histogram_download_time = std::wstring(32, L'9');
  DelayedParamsBlock block = {};
  ASSERT_TRUE(FillDelayedParamsBlock(params, &block));
  base::CommandLine command_line;
  ApplyDelayedParamsBlock(block, AlwaysReadable, &command_line);
  EXPECT_EQ(command_line.GetSwitchValue("histogram-download-time"), std::wstring(32, L'9'));
  params.histogram_download_time += L'9';
  EXPECT_FALSE(FillDelayedParamsBlock(params, &block));
}

TEST(DelayedParamsTest, RewritingAShorterPathLeavesNoTailOfTheLongerOne) {
  DelayedParamsBlock block = {};
  DelayedParams params = FullParams();
  params.browser_arc_path = L"C:\\a-rather-long-path\\archive.tmp";
  ASSERT_TRUE(FillDelayedParamsBlock(params, &block));
  params.browser_arc_path = L"C:\\b";
  ASSERT_TRUE(FillDelayedParamsBlock(params, &block));
  EXPECT_EQ(std::wstring(block.browser_arc_path), L"C:\\b");
  EXPECT_EQ(block.browser_arc_path[10], L'\0');
}

}  // namespace
}  // namespace installer
