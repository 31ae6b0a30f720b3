#include "crash/crash_info_stream.h"

#include <gtest/gtest.h>

namespace crash {
namespace {

// The crash tests end to end follow every location of the stream in a real
// dump; what no crash there shows is a header that is short or moved already.
TEST(CrashInfoStream, HeaderMovesOnceAndOnlyWhole) {
  const uint8_t id[kGuidBytes] = {1, 2, 3};
  std::string header = BuildCrashInfoStream(id, id, {{"key", "value"}}).substr(0, 52);
  std::string short_header = header.substr(0, 40);
  EXPECT_FALSE(RelocateCrashInfoHeader(&short_header, 0x1000));
  ASSERT_TRUE(RelocateCrashInfoHeader(&header, 0x1000));
  EXPECT_EQ(ReadUint32(header, kAnnotationsRvaOffset), 0x1000u + 52);
  EXPECT_FALSE(RelocateCrashInfoHeader(&header, 0x1000));
  EXPECT_EQ(ReadUint32(header, kAnnotationsRvaOffset), 0x1000u + 52);
}

}  // namespace
}  // namespace crash
