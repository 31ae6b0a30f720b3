#include "net/install_stat_sender.h"

#include <gtest/gtest.h>

#include <string>

#include "support/log_capture.h"

namespace net {
namespace {

constexpr wchar_t kApi[] = L"http://127.0.0.1:9";
constexpr wchar_t kExtendedPrefix[] =
    L"http://127.0.0.1:9/installstats/send/dtype=stred/pid=457/cid=72992/path=extended_stat";

std::wstring UrlFor(const StatValues& record, const StatValues& extra, int target, int type) {
  return BuildStatUrl(kApi, StatKind::kExtendedStat,
                      CompleteStatValues(record, extra, target, type));
}

TEST(InstallStatSenderTest, ReportWithNoValuesCarriesUnknownBrandAndOldStyle) {
  EXPECT_EQ(UrlFor({}, {}, 0, kInstallerTypeNone),
            std::wstring(kExtendedPrefix) + L"/vars=brand_id=unknown,old_style=1/*");
}

TEST(InstallStatSenderTest, LiteChannelSendsOldStyleZeroAndNeverTarget) {
  const StatValues values = CompleteStatValues({}, {}, 0, kInstallerTypeLite);
  EXPECT_EQ(values.at(L"old_style"), L"0");
  EXPECT_EQ(values.count(L"target"), 0u);
}

TEST(InstallStatSenderTest, NonZeroTargetIsSentWithTheInstallerType) {
  const StatValues values = CompleteStatValues({}, {}, 17, kInstallerTypeUpdater);
  EXPECT_EQ(values.at(L"target"), L"17");
  EXPECT_EQ(values.at(L"old_style"), L"0");
}

TEST(InstallStatSenderTest, TypeNoneNeverSendsTarget) {
  const StatValues values = CompleteStatValues({}, {}, 17, kInstallerTypeNone);
  EXPECT_EQ(values.count(L"target"), 0u);
  EXPECT_EQ(values.at(L"old_style"), L"1");
}

TEST(InstallStatSenderTest, RecordValueWinsOverTheReportsExtra) {
  const StatValues values =
      CompleteStatValues({{L"brand_id", L"velmar"}}, {{L"brand_id", L"other"}, {L"action", L"x"}},
                         0, kInstallerTypeLite);
  EXPECT_EQ(values.at(L"brand_id"), L"velmar");
  EXPECT_EQ(values.at(L"action"), L"x");
}

TEST(InstallStatSenderTest, CommaAndEqualsInAValueCannotSplitTheVars) {
  EXPECT_EQ(EscapeStatText(L"a,b=c"), L"a%2Cb%3Dc");
  const std::wstring url = UrlFor({}, {{L"k,1", L"v=1"}}, 0, kInstallerTypeNone);
  EXPECT_NE(url.find(L"/vars=brand_id=unknown,k%2C1=v%3D1,old_style=1/*"), std::wstring::npos)
      << url;
}

TEST(InstallStatSenderTest, NonAsciiTextIsEscapedAsUtf8Bytes) {
  EXPECT_EQ(EscapeStatText(L"\u043f\u20ac"), L"%D0%BF%E2%82%AC");
}

TEST(InstallStatSenderTest, PathCharactersAreEscapedAsOneSegment) {
  EXPECT_EQ(EscapeStatText(L"https://h/a b?c#d"), L"https:%2F%2Fh%2Fa%20b%3Fc%23d");
}

TEST(InstallStatSenderTest, InstallStatTextRoundTripsInKeyOrder) {
  const StatValues values = {{L"new_ver", L"24.1"}, {L"brand_id", L"velmar"}, {L"empty", L""}};
  const std::wstring text = FormatInstallStat(values);
  EXPECT_EQ(text, L"brand_id\nvelmar\nempty\n\nnew_ver\n24.1\n");
  EXPECT_EQ(ParseInstallStat(text), values);
}

TEST(InstallStatSenderTest, OddLastLineOfInstallStatIsDropped) {
  const StatValues values = ParseInstallStat(L"a\n1\nb\n2\nc");
  EXPECT_EQ(values, (StatValues{{L"a", L"1"}, {L"b", L"2"}}));
}

TEST(InstallStatSenderTest, RecordStartsFromPersistedTextThenInitialValues) {
  InstallStatSender sender(0, kInstallerTypeUpdater, L"brand_id\nold\nold_ver\n23.0\n",
                           {{L"brand_id", L"new"}}, StatKind::kExtendedStat, kApi);
  EXPECT_EQ(sender.GetValue(kStatBrandId), L"new");
  EXPECT_EQ(sender.GetValue(kStatOldVersion), L"23.0");
  EXPECT_EQ(sender.GetValue(kStatInstallerType), L"updater");
  EXPECT_EQ(sender.GetValue(kStatMirra), L"");
}

TEST(InstallStatSenderTest, RecordWithoutTypeNamesItsTargetAsInstallerType) {
  InstallStatSender sender(42, kInstallerTypeNone, L"", {}, StatKind::kExtendedStat, kApi);
  EXPECT_EQ(sender.GetValue(kStatInstallerType), L"42");
}

TEST(InstallStatSenderTest, QueryUrlLogsEveryValueInKeyOrder) {
  testing_support::LogCapture capture;
  InstallStatSender sender(0, kInstallerTypeUpdater, L"", {{L"brand_id", L"velmar"}},
                           StatKind::kExtendedStat, kApi);
  const std::wstring url = sender.GetQueryUrl({{L"action", L"download"}});
  EXPECT_EQ(url, std::wstring(kExtendedPrefix) +
                     L"/vars=action=download,brand_id=velmar,installer_type=updater,"
                     L"old_style=0/*");
  const std::wstring log = capture.Text();
  const size_t header = log.find(L"GetQueryUrl (");
  ASSERT_NE(header, std::wstring::npos) << log;
  EXPECT_NE(log.find(L"InstallStatSender::Send:"), std::wstring::npos) << log;
  const size_t action = log.find(L"action=download");
  const size_t brand = log.find(L"brand_id=velmar");
  const size_t style = log.find(L"old_style=0");
  EXPECT_TRUE(action < brand && brand < style) << log;
}

}  // namespace
}  // namespace net
