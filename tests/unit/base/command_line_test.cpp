#include "base/command_line.h"

#include <windows.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace installer {
namespace {

std::vector<std::wstring> SplitLikeWindows(const std::wstring& text) {
  int count = 0;
  wchar_t** arguments = ::CommandLineToArgvW(text.c_str(), &count);
  std::vector<std::wstring> result(arguments, arguments + count);
  ::LocalFree(arguments);
  return result;
}

TEST(CommandLineTest, AnyPrefixAndLetterCaseSetTheSameLowerCaseName) {
  for (const wchar_t* text : {L"setup.exe /SILENT", L"setup.exe -Silent", L"setup.exe --silent"}) {
    const base::CommandLine command_line = base::CommandLine::FromString(text);
    EXPECT_TRUE(command_line.HasSwitch("silent")) << text;
    EXPECT_TRUE(command_line.HasSwitch("SILENT")) << text;
    EXPECT_EQ(command_line.GetSwitches().size(), 1u) << text;
  }
}

TEST(CommandLineTest, OnlyTheFirstEqualsSignSplitsAndValuesKeepTheirCase) {
  const base::CommandLine command_line =
      base::CommandLine::FromString(L"a.exe --brand-name==A=B --X=Yz");
  EXPECT_EQ(command_line.GetSwitchValue("brand-name"), L"=A=B");
  EXPECT_EQ(base::CommandLine::FromString(L"a.exe --brand-name=A=B").GetSwitchValue("brand-name"),
            L"A=B");
  EXPECT_EQ(command_line.GetSwitchValue("x"), L"Yz");
}

TEST(CommandLineTest, LaterOccurrenceWinsAndLooseArgumentsAreDropped) {
  const base::CommandLine command_line =
      base::CommandLine::FromString(L"a.exe loose --lang=ru other --lang=tr");
  EXPECT_EQ(command_line.GetSwitchValue("lang"), L"tr");
  EXPECT_EQ(command_line.GetSwitches().size(), 1u);
}

TEST(CommandLineTest, OddCommandLinesParseWithoutSwitches) {
  for (const wchar_t* text : {L"", L"   ", L"\t\x3000 \x2028"}) {
    const base::CommandLine command_line = base::CommandLine::FromString(text);
    EXPECT_TRUE(command_line.GetProgram().empty());
    EXPECT_TRUE(command_line.GetSwitches().empty());
  }
  const base::CommandLine dashes = base::CommandLine::FromString(L"a.exe --");
  ASSERT_EQ(dashes.GetSwitches().size(), 1u);
  EXPECT_TRUE(dashes.HasSwitch(""));
}

TEST(CommandLineTest, HugeAndNonAsciiValuesSurvive) {
  const std::wstring huge(100000, L'x');
  const std::wstring cyrillic = L"\x0411\x0440\x0430\x0443\x0437\x0435\x0440";
  const base::CommandLine command_line =
      base::CommandLine::FromString(L"a.exe --big=" + huge + L" --name=" + cyrillic);
  EXPECT_EQ(command_line.GetSwitchValue("big"), huge);
  EXPECT_EQ(command_line.GetSwitchValue("name"), cyrillic);
  EXPECT_EQ(command_line.GetSwitchValueASCII("name"), std::string("\x11\x40\x30\x43\x37\x35\x40"));
}

TEST(CommandLineTest, SemiSilentExpandsToSilentAndUacEnabled) {
  const base::CommandLine command_line = base::CommandLine::FromString(L"a.exe --semi-silent");
  EXPECT_TRUE(command_line.HasSwitch("silent"));
  EXPECT_TRUE(command_line.HasSwitch("uac-enabled"));
  EXPECT_EQ(command_line.GetCommandLineString(), L"a.exe --semi-silent --silent --uac-enabled");
}

TEST(CommandLineTest, BuildsSwitchesInNameOrderAndEmptyProgramStartsWithBlank) {
  base::CommandLine command_line;
  command_line.AppendSwitch("--Zeta", L"1");
  command_line.AppendSwitch("alpha");
  command_line.AppendSwitchASCII("/mid", "x y");
  EXPECT_EQ(command_line.GetCommandLineString(), L" --alpha --mid=\"x y\" --zeta=1");
  command_line.SetOrRemoveSwitch(false, "mid");
  command_line.SetProgram(L"  C:\\Program Files\\a.exe  ");
  EXPECT_EQ(command_line.GetCommandLineString(), L"\"C:\\Program Files\\a.exe\" --alpha --zeta=1");
}

TEST(QuoteArgumentTest, BareWhenNothingNeedsQuoting) {
  EXPECT_EQ(base::QuoteArgument(L"plain-value_1"), L"plain-value_1");
  EXPECT_EQ(base::QuoteArgument(L"C:\\dir\\"), L"\"C:\\dir\\\\\"");
}

TEST(QuoteArgumentTest, RoundTripsThroughThePlatformSplitting) {
  const std::vector<std::wstring> values = {L"a b",        L"C:\\Program Files\\Velmar\\",
                                            L"say \"hi\"", L"\\\\server\\share\\",
                                            L"back\\\"",   L"trailing\\\\",
                                            L"\"",         L" lead and trail ",
                                            L"tab\there",  L"\\",
                                            L"x\\\\\"y"};
  for (const std::wstring& value : values) {
    const std::vector<std::wstring> split =
        SplitLikeWindows(L"prog.exe " + base::QuoteArgument(value));
    ASSERT_EQ(split.size(), 2u) << "value: " << std::string(value.begin(), value.end());
    EXPECT_EQ(split[1], value);
  }
}

TEST(CommandLineTest, BuiltStringParsesBackToTheSameSwitches) {
  base::CommandLine original;
  original.SetProgram(L"C:\\Temp dir\\setup.exe");
  original.AppendSwitch("setup-cmd-line", L" --brand-name=tb --path=\"C:\\a b\\\"");
  original.AppendSwitch("installerdata", L"C:\\Users\\x y\\master_preferences");
  original.AppendSwitch("silent");
  const base::CommandLine parsed = base::CommandLine::FromString(original.GetCommandLineString());
  EXPECT_EQ(parsed.GetProgram(), original.GetProgram());
  EXPECT_EQ(parsed.GetSwitches(), original.GetSwitches());
}

}  // namespace
}  // namespace installer
