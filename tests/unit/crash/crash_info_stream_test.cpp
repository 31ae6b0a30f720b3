#include "crash/crash_info_stream.h"

#include <gtest/gtest.h>

namespace crash {
namespace {

constexpr uint8_t kReportId[kGuidBytes] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

// The crash tests end to end read the stream of a real dump; these cover what
// no crash there shows: empty values and the header that cannot move twice.
TEST(CrashInfoStream, RelocatedStreamReadsBackFromAbsoluteLocations) {
  const uint32_t rva = 0x1000;
  const Annotations annotations = {{"b", "22"}, {"a", ""}};
  std::string stream = BuildCrashInfoStream(kReportId, kReportId, annotations);
  std::string header = stream.substr(0, kCrashInfoHeaderSize);
  std::string short_header = header.substr(0, 40);
  EXPECT_FALSE(RelocateCrashInfoHeader(&short_header, rva));
  ASSERT_TRUE(RelocateCrashInfoHeader(&header, rva));
  EXPECT_FALSE(RelocateCrashInfoHeader(&header, rva));
  std::string entries = stream.substr(56, 2 * kAnnotationEntrySize);
  RelocateAnnotationEntries(&entries, 2, rva);
  stream.replace(0, kCrashInfoHeaderSize, header);
  stream.replace(56, entries.size(), entries);

  const std::string dump = std::string(rva, '\0') + stream;
  const uint32_t location = ReadUint32(dump, rva + kAnnotationsRvaOffset);
  ASSERT_EQ(ReadUint32(dump, location), 2u);
  Annotations found;
  for (uint32_t i = 0; i < 2; ++i) {
    const uint32_t key = ReadUint32(dump, location + 4 + 8 * i);
    const uint32_t value = ReadUint32(dump, location + 8 + 8 * i);
    EXPECT_EQ(dump[value + 4 + ReadUint32(dump, value)], '\0');
    found[dump.substr(key + 4, ReadUint32(dump, key))] =
        dump.substr(value + 4, ReadUint32(dump, value));
  }
  EXPECT_EQ(found, annotations);
  EXPECT_EQ(stream.size(), 56 + 16 + 24u);
}

}  // namespace
}  // namespace crash
