#include "crash/multipart_body.h"

#include <gtest/gtest.h>

#include "crash/gzip_stream.h"

namespace crash {
namespace {

// Everything a stream yields, read a few bytes at a time.
std::string ReadAll(BodyStream* stream) {
  std::string all;
  uint8_t buffer[7];
  for (;;) {
    const int64_t count = stream->Read(buffer, sizeof(buffer));
    EXPECT_GE(count, 0);
    if (count <= 0) return all;
    all.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(count));
  }
}

class FailingStream : public BodyStream {
 public:
  int64_t Read(uint8_t*, size_t) override { return -1; }
};

// The crash tests end to end unpack and parse a real body; these pin the
// bytes a strict server reads, the escapes no annotation there needs, and
// what a file that cannot be read does.
TEST(MultipartBody, WritesEscapedNamesRawValuesFileAndClosingBoundary) {
  EXPECT_EQ(EscapeMultipartName("a\"b\r\nc%d\xC3\xA9"), "a%22b%0d%0ac%25d\xC3\xA9");
  MultipartBody body("B");
  body.AddField("k\"y", "va\"l\r\nue");
  body.AddFile("upload_file_minidump", "id.dmp", "application/octet-stream",
               std::make_unique<StringStream>(std::string("MDMP\0x", 6)));
  EXPECT_EQ(body.GetContentType(), "multipart/form-data; boundary=B");
  EXPECT_EQ(ReadAll(&body),
            "--B\r\nContent-Disposition: form-data; name=\"k%22y\"\r\n\r\nva\"l\r\nue\r\n"
            "--B\r\nContent-Disposition: form-data; name=\"upload_file_minidump\"; "
            "filename=\"id.dmp\"\r\nContent-Type: application/octet-stream\r\n\r\n" +
                std::string("MDMP\0x", 6) + "\r\n--B--\r\n");
}

TEST(MultipartBody, FailureToReadTheFileFailsTheBodyAndItsGzip) {
  MultipartBody body("B");
  body.AddFile("f", "n", "t", std::make_unique<FailingStream>());
  GzipStream gzip(&body);
  uint8_t buffer[4096];
  EXPECT_EQ(gzip.Read(buffer, sizeof(buffer)), -1);
}

}  // namespace
}  // namespace crash
