#include "base/command_line.h"

#include <windows.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include <string>

namespace base {
namespace {

TEST(CommandLineTest, ParsesSwitchesByLowerCaseNameWhateverThePrefix) {
  const std::wstring huge(100000, L'x');
  const std::wstring cyrillic = L"\x0411\x0440\x0430\x0443\x0437\x0435\x0440";
  const std::pair<std::wstring, CommandLine::SwitchMap> rows[] = {
      {L"a.exe /SILENT -Lang=tr --X=Yz", {{"silent", L""}, {"lang", L"tr"}, {"x", L"Yz"}}},
      // Only the first equals sign splits.
      {L"a.exe --brand-name==A=B", {{"brand-name", L"=A=B"}}},
      // The later occurrence wins; loose arguments are dropped.
      {L"a.exe loose --lang=ru other --lang=tr", {{"lang", L"tr"}}},
      {L"a.exe --semi-silent", {{"semi-silent", L""}, {"silent", L""}, {"uac-enabled", L""}}},
      {L"a.exe --big=" + huge + L" --name=" + cyrillic, {{"big", huge}, {"name", cyrillic}}},
      {L"a.exe --", {{"", L""}}},
      {L"", {}},
      {L"\t\x3000 \x2028", {}},
  };
  for (const auto& [text, switches] : rows) {
    SCOPED_TRACE(testing::PrintToString(text.substr(0, 40)));
    const CommandLine command_line = CommandLine::FromString(text);
    EXPECT_EQ(command_line.GetSwitches(), switches);
  }
  EXPECT_EQ(CommandLine::FromString(L"a.exe --X=Yz").GetSwitchValue("X"), L"Yz");
}

TEST(CommandLineTest, BuildsSwitchesInNameOrderAndEmptyProgramStartsWithBlank) {
  CommandLine command_line;
  command_line.AppendSwitch("--Zeta", L"1");
  command_line.AppendSwitch("alpha");
  command_line.AppendSwitchASCII("/mid", "x y");
  EXPECT_EQ(command_line.GetCommandLineString(), L" --alpha --mid=\"x y\" --zeta=1");
  command_line.SetOrRemoveSwitch(false, "mid");
  command_line.SetProgram(L"  C:\\Program Files\\a.exe  ");
  EXPECT_EQ(command_line.GetCommandLineString(), L"\"C:\\Program Files\\a.exe\" --alpha --zeta=1");
}

TEST(QuoteArgumentTest, RoundTripsThroughThePlatformSplitting) {
  for (const std::wstring value :
       {L"plain-value_1", L"a b", L"C:\\Program Files\\Velmar\\", L"say \"hi\"",
        L"\\\\server\\share\\", L"back\\\"", L"trailing\\\\", L"\"", L" lead and trail ",
        L"tab\there", L"\\", L"x\\\\\"y"}) {
    int count = 0;
    wchar_t** split = ::CommandLineToArgvW((L"prog.exe " + QuoteArgument(value)).c_str(), &count);
    ASSERT_EQ(count, 2) << testing::PrintToString(value);
    EXPECT_EQ(split[1], value);
    ::LocalFree(split);
  }
}

}  // namespace
}  // namespace base
