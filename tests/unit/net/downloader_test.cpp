#include "net/downloader.h"

#include <gtest/gtest.h>

namespace net {
namespace {

constexpr DWORD kStartMs = 1000000;

TEST(ShouldEmptyWriterAfterFailureTest, EmptiesBelowATenthOfTheTotal) {
  EXPECT_TRUE(ShouldEmptyWriterAfterFailure(50000, 1000000));
  EXPECT_TRUE(ShouldEmptyWriterAfterFailure(99999, 1000000));
  EXPECT_FALSE(ShouldEmptyWriterAfterFailure(100000, 1000000));
  EXPECT_FALSE(ShouldEmptyWriterAfterFailure(500000, 1000000));
  // An unknown total keeps whatever came.
  EXPECT_FALSE(ShouldEmptyWriterAfterFailure(10, 0));
  // No overflow near the 32-bit limit.
  EXPECT_FALSE(ShouldEmptyWriterAfterFailure(500000000, 4000000000u));
}

TEST(ComputeProgressTest, UnknownTotalGivesNoProgressAndNoEstimate) {
  const ProgressReport report = ComputeProgress(4096, 0, kStartMs + 90000, kStartMs, 0);
  EXPECT_FALSE(report.has_fraction);
  EXPECT_FALSE(report.has_estimate);
}

TEST(ComputeProgressTest, FractionIsWrittenOverTotal) {
  const ProgressReport report = ComputeProgress(250, 1000, kStartMs + 10, kStartMs, kStartMs);
  EXPECT_TRUE(report.has_fraction);
  EXPECT_FLOAT_EQ(0.25f, report.fraction);
  EXPECT_FALSE(report.has_estimate);
}

TEST(ComputeProgressTest, EstimatesAtMostOnceAMinute) {
  const DWORD last = kStartMs + 5000;
  EXPECT_FALSE(ComputeProgress(500, 1000, last + 59999, kStartMs, last).has_estimate);
  EXPECT_TRUE(ComputeProgress(500, 1000, last + 60000, kStartMs, last).has_estimate);
}

TEST(ComputeProgressTest, NoEstimateBeforeTheFirstByte) {
  EXPECT_FALSE(ComputeProgress(0, 1000, kStartMs + 70000, kStartMs, 0).has_estimate);
}

TEST(ComputeProgressTest, RemainingTimeScalesElapsedByBytesLeft) {
  // 30 s for a quarter: 90 s for the rest.
  const ProgressReport report = ComputeProgress(250, 1000, kStartMs + 30000, kStartMs, 0);
  EXPECT_EQ(90u, report.remaining_seconds);
}

TEST(ComputeProgressTest, ProjectedTotalOf121SecondsIsSlowAnd120IsNot) {
  // Half written after 60.5 s: 60 s elapsed + 60 s left (integer steps) = 120.
  EXPECT_FALSE(ComputeProgress(500, 1000, kStartMs + 60500, kStartMs, 0).slow);
  // Half written after 61 s: 61 + 61 = 122; a third after 40.4 s: 40 + 80 = 120.
  EXPECT_TRUE(ComputeProgress(500, 1000, kStartMs + 61000, kStartMs, 0).slow);
  EXPECT_FALSE(ComputeProgress(1, 3, kStartMs + 40400, kStartMs, 0).slow);
  // 1 of 3 after 40.5 s: 40 + 81 = 121.
  EXPECT_TRUE(ComputeProgress(1, 3, kStartMs + 40500, kStartMs, 0).slow);
}

TEST(ComputeProgressTest, LargeFilesDoNotOverflowTheEstimate) {
  const ProgressReport report =
      ComputeProgress(1u << 20, 4000000000u, kStartMs + 600000, kStartMs, 0);
  EXPECT_EQ(600ull * (4000000000ull - (1u << 20)) / (1u << 20), report.remaining_seconds);
}

TEST(ComputeProgressTest, TickCounterWrapStillMeasuresElapsedTime) {
  const DWORD start = 0xFFFFFFFF - 10000;
  const ProgressReport report = ComputeProgress(500, 1000, start + 70000, start, start);
  EXPECT_TRUE(report.has_estimate);
  EXPECT_EQ(70u, report.remaining_seconds);
}

TEST(ModuleWriterTest, ResetTruncatesTheFileAndWritesStartOver) {
  wchar_t folder[MAX_PATH] = {};
  wchar_t path[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, folder);
  ASSERT_NE(0u, ::GetTempFileNameW(folder, L"dlt", 0, path));
  base::ScopedHandle file(::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ModuleWriter writer(file.Get());
  ASSERT_TRUE(writer.Write("0123456789", 10));
  ASSERT_TRUE(writer.Reset());
  ASSERT_TRUE(writer.Write("xy", 2));
  EXPECT_EQ(2u, writer.GetSize());
  LARGE_INTEGER size = {};
  ::GetFileSizeEx(file.Get(), &size);
  EXPECT_EQ(2, size.QuadPart);
  file.Reset();
  ::DeleteFileW(path);
}

TEST(ModuleWriterTest, FailedWriteLeavesTheSizeUnchanged) {
  ModuleWriter writer(INVALID_HANDLE_VALUE);
  EXPECT_FALSE(writer.Write("abc", 3));
  EXPECT_EQ(0u, writer.GetSize());
}

}  // namespace
}  // namespace net
