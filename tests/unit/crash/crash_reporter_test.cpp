#include "crash/crash_reporter.h"

#include <gtest/gtest.h>

#include "base/scoped_handle.h"
#include "base/strings.h"
#include "crash/http_transport.h"

namespace crash {
namespace {

TEST(ReportUrl, MapsProductVersionAndGuidInThatOrder) {
  const Annotations annotations = {
      {"guid", "g 1"}, {"ver", "20.3.2.242"}, {"prod", "Velmar"}, {"uid", "ignored"}};
  EXPECT_EQ(BuildReportUrl("http://h", annotations),
            "http://h/submit?product=Velmar&version=20.3.2.242&guid=g%201");
  EXPECT_EQ(BuildReportUrl("http://h", {{"ver", "1"}}), "http://h/submit?version=1");
  EXPECT_EQ(BuildReportUrl("http://h", {}), "http://h/submit");
}

TEST(ReportUrl, EncodesEverythingButUnreservedBytesInUpperCaseHex) {
  EXPECT_EQ(EncodeQueryValue("aZ09-_.~"), "aZ09-_.~");
  EXPECT_EQ(EncodeQueryValue("a b&c=\xC3\xA9/"), "a%20b%26c%3D%C3%A9%2F");
}

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
  EXPECT_EQ(FormatUserAgent(nullptr, &kernel32, false), "Crashpad/0.8.0 Windows_NT/10.1.3.4 (x86)");
  kernel32.dwFileOS = VOS__WINDOWS32;
  EXPECT_EQ(FormatUserAgent(&winhttp, &kernel32, false), "Crashpad/0.8.0 WinHTTP/10.1.3.4");
  EXPECT_EQ(FormatUserAgent(nullptr, nullptr, false), "Crashpad/0.8.0");
}

class CrashReporterTest : public ::testing::Test {
 protected:
  CrashReporter reporter_;
};

TEST_F(CrashReporterTest, StartsWithItsOwnAnnotations) {
  const Annotations& annotations = reporter_.annotations();
  EXPECT_EQ(annotations.at("ver"), "20.3.2.242");
  EXPECT_EQ(annotations.at("plat"), "Win32");
  EXPECT_EQ(annotations.at("prod"), "Velmar");
  EXPECT_EQ(annotations.at("ptype"), "installer");
  EXPECT_EQ(annotations.at("gzip_enabled"), "true");
  EXPECT_EQ(annotations.at("report_id").size(), 36u);
  EXPECT_EQ(annotations.at("uid").size(), 36u);
  EXPECT_NE(reporter_.dump_path().find(base::Utf8ToWide(annotations.at("report_id")) + L".dmp"),
            std::wstring::npos);
  EXPECT_EQ(CrashReporter::Instance(), &reporter_);
}

TEST_F(CrashReporterTest, KeepsTheFirstValueAndDropsEmptyOnes) {
  reporter_.SetAnnotation("brand_id", "tb");
  reporter_.SetAnnotation("brand_id", "velmar");
  reporter_.SetAnnotation("empty", "");
  reporter_.SetAnnotation("", "value");
  EXPECT_EQ(reporter_.annotations().at("brand_id"), "tb");
  EXPECT_EQ(reporter_.annotations().count("empty"), 0u);
  EXPECT_EQ(reporter_.annotations().count(""), 0u);
}

TEST_F(CrashReporterTest, WritesADumpWhoseStreamLocationsArePatched) {
  reporter_.SetAnnotation("note", "caf\xC3\xA9");
  ASSERT_TRUE(reporter_.WriteDump(nullptr));
  std::string dump;
  {
    base::ScopedHandle file(::CreateFileW(reporter_.dump_path().c_str(), GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.IsValid());
    dump.resize(::GetFileSize(file.Get(), nullptr));
    DWORD read = 0;
    ASSERT_TRUE(::ReadFile(file.Get(), &dump[0], static_cast<DWORD>(dump.size()), &read, nullptr));
  }
  ::DeleteFileW(reporter_.dump_path().c_str());
  const uint32_t streams = ReadUint32(dump, 8);
  const uint32_t directory = ReadUint32(dump, 12);
  uint32_t rva = 0;
  for (uint32_t i = 0; i < streams; ++i) {
    if (ReadUint32(dump, directory + 12 * i) == kCrashInfoStreamType) {
      rva = ReadUint32(dump, directory + 12 * i + 8);
    }
  }
  ASSERT_NE(rva, 0u);
  const uint32_t annotations = ReadUint32(dump, rva + kAnnotationsRvaOffset);
  ASSERT_EQ(annotations, rva + 52);
  const uint32_t count = ReadUint32(dump, annotations);
  ASSERT_EQ(count, reporter_.annotations().size());
  Annotations found;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t key = ReadUint32(dump, annotations + 4 + 8 * i);
    const uint32_t value = ReadUint32(dump, annotations + 8 + 8 * i);
    found[dump.substr(key + 4, ReadUint32(dump, key))] =
        dump.substr(value + 4, ReadUint32(dump, value));
  }
  EXPECT_EQ(found, reporter_.annotations());
}

TEST_F(CrashReporterTest, DeletesTheDumpWhenTheUploadFails) {
  SetReportEndpointForTesting("http://127.0.0.1:1");
  ASSERT_TRUE(reporter_.WriteDump(nullptr));
  EXPECT_FALSE(reporter_.SendReport());
  SetReportEndpointForTesting("");
  EXPECT_EQ(::GetFileAttributesW(reporter_.dump_path().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(CrashReporterTest, DumpPathTakenByAnotherFileMeansNoDumpAndTheFileStays) {
  base::ScopedHandle other(::CreateFileW(reporter_.dump_path().c_str(), GENERIC_WRITE, 0, nullptr,
                                         CREATE_NEW, 0, nullptr));
  ASSERT_TRUE(other.IsValid());
  other.Reset();
  EXPECT_FALSE(reporter_.WriteDump(nullptr));
  EXPECT_NE(::GetFileAttributesW(reporter_.dump_path().c_str()), INVALID_FILE_ATTRIBUTES);
  ::DeleteFileW(reporter_.dump_path().c_str());
}

LONG WINAPI EarlierFilter(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }

TEST(CrashReporterFilter, ReplacesTheEarlierFilterWhileItLivesAndRestoresIt) {
  const LPTOP_LEVEL_EXCEPTION_FILTER before = ::SetUnhandledExceptionFilter(&EarlierFilter);
  {
    CrashReporter reporter;
    EXPECT_NE(::SetUnhandledExceptionFilter(nullptr), &EarlierFilter);
    ::SetUnhandledExceptionFilter(&EarlierFilter);
  }
  EXPECT_EQ(::SetUnhandledExceptionFilter(before), &EarlierFilter);
  EXPECT_EQ(CrashReporter::Instance(), nullptr);
}

}  // namespace
}  // namespace crash
