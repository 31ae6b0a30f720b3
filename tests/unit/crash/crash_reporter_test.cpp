#include "crash/crash_reporter.h"

#include <gtest/gtest.h>

#include "base/scoped_handle.h"
#include "crash/http_transport.h"

namespace crash {
namespace {

TEST(ReportUrl, MapsProductVersionAndGuidInThatOrderEncodingAllButUnreservedBytes) {
  const Annotations annotations = {
      {"guid", "g 1"}, {"ver", "20.3.2.242"}, {"prod", "Velmar"}, {"uid", "ignored"}};
  EXPECT_EQ(BuildReportUrl("http://h", annotations),
            "http://h/submit?product=Velmar&version=20.3.2.242&guid=g%201");
  EXPECT_EQ(BuildReportUrl("http://h", {}), "http://h/submit");
  EXPECT_EQ(EncodeQueryValue("aZ09-_.~ b&c=\xC3\xA9/"), "aZ09-_.~%20b%26c%3D%C3%A9%2F");
}

// Wine's WinHTTP cannot send a chunked body, so the framing is checked here.
TEST(ChunkFraming, SizeInEightHexDigitsThenBytes) {
  const uint8_t data[] = {'a', 'b', 'c'};
  EXPECT_EQ(FrameChunk(data, 3), "00000003\r\nabc\r\n");
  const std::string big(32768, 'x');
  EXPECT_EQ(FrameChunk(reinterpret_cast<const uint8_t*>(big.data()), big.size()).substr(0, 10),
            "00008000\r\n");
  EXPECT_EQ(FrameChunk(nullptr, 0), "00000000\r\n\r\n");
}

TEST(UserAgent, NamesWinHttpAndWindowsVersions) {
  VS_FIXEDFILEINFO winhttp = {};
  winhttp.dwFileVersionMS = MAKELONG(1, 10);
  winhttp.dwFileVersionLS = MAKELONG(4, 3);
  VS_FIXEDFILEINFO kernel32 = winhttp;
  kernel32.dwFileOS = VOS_NT_WINDOWS32;
  EXPECT_EQ(FormatUserAgent(&winhttp, &kernel32, true),
            "Crashpad/0.8.0 WinHTTP/10.1.3.4 Windows_NT/10.1.3.4 (x86; WoW64)");
  EXPECT_EQ(FormatUserAgent(nullptr, nullptr, false), "Crashpad/0.8.0");
}

TEST(CrashReporterTest, KeepsTheFirstValueAndDropsEmptyOnes) {
  CrashReporter reporter;
  reporter.SetAnnotation("brand_id", "tb");
  reporter.SetAnnotation("brand_id", "velmar");
  reporter.SetAnnotation("", "value");
  EXPECT_EQ(reporter.annotations().at("brand_id"), "tb");
  EXPECT_EQ(reporter.annotations().count(""), 0u);
}

TEST(CrashReporterTest, DumpPathTakenByAnotherFileMeansNoDumpAndTheFileStays) {
  CrashReporter reporter;
  base::ScopedHandle other(::CreateFileW(reporter.dump_path().c_str(), GENERIC_WRITE, 0, nullptr,
                                         CREATE_NEW, 0, nullptr));
  ASSERT_TRUE(other.IsValid());
  other.Reset();
  EXPECT_FALSE(reporter.WriteDump(nullptr));
  EXPECT_NE(::GetFileAttributesW(reporter.dump_path().c_str()), INVALID_FILE_ATTRIBUTES);
  ::DeleteFileW(reporter.dump_path().c_str());
}

}  // namespace
}  // namespace crash
