#include "net/install_stat_sender.h"

#include <gtest/gtest.h>

#include <string>

namespace net {
namespace {

// The request's address and what the lite installer sends are seen end to end.
TEST(InstallStatSenderTest, InstallerTypeDecidesOldStyleAndTarget) {
  EXPECT_EQ(CompleteStatValues({}, {}, 17, kInstallerTypeUpdater),
            (StatValues{{L"brand_id", L"unknown"}, {L"old_style", L"0"}, {L"target", L"17"}}));
  EXPECT_EQ(CompleteStatValues({}, {}, 17, kInstallerTypeNone),
            (StatValues{{L"brand_id", L"unknown"}, {L"old_style", L"1"}}));
  EXPECT_EQ(CompleteStatValues({}, {}, 0, kInstallerTypeLite),
            (StatValues{{L"brand_id", L"unknown"}, {L"old_style", L"0"}}));
}

TEST(InstallStatSenderTest, RecordValueWinsOverTheReportsExtra) {
  const StatValues values =
      CompleteStatValues({{L"brand_id", L"velmar"}}, {{L"brand_id", L"other"}, {L"action", L"x"}},
                         0, kInstallerTypeLite);
  EXPECT_EQ(values.at(L"brand_id"), L"velmar");
  EXPECT_EQ(values.at(L"action"), L"x");
}

TEST(InstallStatSenderTest, ValuesAreEscapedAsOneSegmentOfUtf8) {
  EXPECT_EQ(EscapeStatText(L"a,b=c"), L"a%2Cb%3Dc");
  EXPECT_EQ(EscapeStatText(L"https://h/a b?c#d"), L"https:%2F%2Fh%2Fa%20b%3Fc%23d");
  EXPECT_EQ(EscapeStatText(L"\u043f\u20ac"), L"%D0%BF%E2%82%AC");
}

// The stored text is seen read back end to end; the odd cases are not.
TEST(InstallStatSenderTest, InstallStatTextKeepsEmptyValuesAndDropsAnOddLastLine) {
  EXPECT_EQ(FormatInstallStat({{L"b", L""}, {L"a", L"1"}}), L"a\n1\nb\n\n");
  EXPECT_EQ(ParseInstallStat(L"a\n1\nb\n\nc"), (StatValues{{L"a", L"1"}, {L"b", L""}}));
}

TEST(InstallStatSenderTest, RecordStartsFromPersistedTextThenInitialValues) {
  constexpr wchar_t kApi[] = L"http://127.0.0.1:9";
  InstallStatSender sender(0, kInstallerTypeUpdater, L"brand_id\nold\nold_ver\n23.0\n",
                           {{L"brand_id", L"new"}}, StatKind::kExtendedStat, kApi);
  EXPECT_EQ(sender.GetValue(kStatBrandId), L"new");
  EXPECT_EQ(sender.GetValue(kStatOldVersion), L"23.0");
  EXPECT_EQ(sender.GetValue(kStatInstallerType), L"updater");
  InstallStatSender untyped(42, kInstallerTypeNone, L"", {}, StatKind::kExtendedStat, kApi);
  EXPECT_EQ(untyped.GetValue(kStatInstallerType), L"42");
}

}  // namespace
}  // namespace net
