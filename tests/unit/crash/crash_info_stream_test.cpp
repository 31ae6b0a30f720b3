#include "crash/crash_info_stream.h"

#include <gtest/gtest.h>

namespace crash {
namespace {

constexpr uint8_t kReportId[kGuidBytes] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
constexpr uint8_t kClientId[kGuidBytes] = {0xAA, 0xBB};

// The string record at `offset`: length, bytes, NUL.
std::string StringAt(const std::string& stream, uint32_t offset) {
  const uint32_t length = ReadUint32(stream, offset);
  EXPECT_EQ(stream[offset + 4 + length], '\0');
  return stream.substr(offset + 4, length);
}

TEST(CrashInfoStream, WithoutAnnotationsHoldsHeaderAndZeroCount) {
  const std::string stream = BuildCrashInfoStream(kReportId, kClientId, {});
  ASSERT_EQ(stream.size(), 56u);
  EXPECT_EQ(ReadUint32(stream, 0), 1u);
  EXPECT_EQ(stream.substr(4, 16), std::string(reinterpret_cast<const char*>(kReportId), 16));
  EXPECT_EQ(stream.substr(20, 16), std::string(reinterpret_cast<const char*>(kClientId), 16));
  EXPECT_EQ(ReadUint32(stream, 36), 4u);
  EXPECT_EQ(ReadUint32(stream, 40), 52u);
  EXPECT_EQ(ReadUint32(stream, 44), 0u);
  EXPECT_EQ(ReadUint32(stream, 48), 0u);
  EXPECT_EQ(ReadUint32(stream, 52), 0u);
}

TEST(CrashInfoStream, LaysOutKeysThenValuesInKeyOrderRelativeToTheStringArea) {
  const std::string stream = BuildCrashInfoStream(kReportId, kClientId, {{"b", "22"}, {"a", ""}});
  ASSERT_EQ(ReadUint32(stream, 52), 2u);
  const uint32_t strings = 56 + 16;
  // Records: "a" (6), "" (5), "b" (6), "22" (7).
  EXPECT_EQ(ReadUint32(stream, 56), 0u);
  EXPECT_EQ(ReadUint32(stream, 60), 6u);
  EXPECT_EQ(ReadUint32(stream, 64), 11u);
  EXPECT_EQ(ReadUint32(stream, 68), 17u);
  EXPECT_EQ(StringAt(stream, strings + 11), "b");
  EXPECT_EQ(StringAt(stream, strings + 17), "22");
  EXPECT_EQ(ReadUint32(stream, 36), 4u + 16u + 24u);
  EXPECT_EQ(stream.size(), strings + 24);
}

TEST(CrashInfoStream, RelocationMakesEveryLocationAbsolute) {
  const uint32_t rva = 0x1000;
  std::string stream = BuildCrashInfoStream(kReportId, kClientId, {{"key", "value"}});
  std::string header = stream.substr(0, kCrashInfoHeaderSize);
  ASSERT_TRUE(RelocateCrashInfoHeader(&header, rva));
  EXPECT_EQ(ReadUint32(header, kAnnotationsRvaOffset), rva + 52);
  std::string entries = stream.substr(56, 8);
  RelocateAnnotationEntries(&entries, 1, rva);
  stream.replace(0, kCrashInfoHeaderSize, header);
  stream.replace(56, 8, entries);
  // Read the stream as a dump reader would, from absolute locations.
  const std::string dump = std::string(rva, '\0') + stream;
  const uint32_t annotations = ReadUint32(dump, rva + kAnnotationsRvaOffset);
  EXPECT_EQ(StringAt(dump, ReadUint32(dump, annotations + 4)), "key");
  EXPECT_EQ(StringAt(dump, ReadUint32(dump, annotations + 8)), "value");
}

TEST(CrashInfoStream, RelocationRefusesAHeaderThatMovedAlready) {
  std::string header = BuildCrashInfoStream(kReportId, kClientId, {}).substr(0, 52);
  ASSERT_TRUE(RelocateCrashInfoHeader(&header, 100));
  EXPECT_FALSE(RelocateCrashInfoHeader(&header, 100));
  std::string short_header = header.substr(0, 40);
  EXPECT_FALSE(RelocateCrashInfoHeader(&short_header, 100));
}

}  // namespace
}  // namespace crash
