#include "crash/multipart_body.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "crash/gzip_stream.h"

namespace crash {
namespace {

// Everything a stream yields, reading `piece` bytes at a time.
std::string ReadAll(BodyStream* stream, size_t piece) {
  std::string all;
  std::string buffer(piece, '\0');
  for (;;) {
    const int64_t count = stream->Read(reinterpret_cast<uint8_t*>(&buffer[0]), piece);
    EXPECT_GE(count, 0);
    if (count <= 0) return all;
    all.append(buffer, 0, static_cast<size_t>(count));
  }
}

class FailingStream : public BodyStream {
 public:
  int64_t Read(uint8_t*, size_t) override { return -1; }
};

// The crash tests end to end parse a real body; these pin the bytes a strict
// server reads, and the escapes no annotation there needs.
TEST(MultipartBody, WritesEscapedNamesRawValuesFileAndClosingBoundary) {
  EXPECT_EQ(EscapeMultipartName("a\"b\r\nc%d\xC3\xA9"), "a%22b%0d%0ac%25d\xC3\xA9");
  MultipartBody body("B");
  body.AddField("k\"y", "va\"l\r\nue");
  body.AddFile("upload_file_minidump", "id.dmp", "application/octet-stream",
               std::make_unique<StringStream>(std::string("MDMP\0x", 6)));
  EXPECT_EQ(body.GetContentType(), "multipart/form-data; boundary=B");
  EXPECT_EQ(ReadAll(&body, 7),
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

TEST(GzipStream, RoundTripsInAnyReadSize) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += std::to_string(i * 7919 % 1000);
  for (const std::string& source_text : {text, std::string()}) {
    for (const size_t piece : {1u, 100u, 32768u}) {
      SCOPED_TRACE(testing::Message()
                   << source_text.size() << " bytes read " << piece << " at once");
      StringStream source(source_text);
      GzipStream gzip(&source);
      std::string compressed = ReadAll(&gzip, piece);
      z_stream stream = {};
      ASSERT_EQ(inflateInit2(&stream, 31), Z_OK);
      std::string out(1 << 20, '\0');
      stream.next_in = reinterpret_cast<Bytef*>(&compressed[0]);
      stream.avail_in = static_cast<uInt>(compressed.size());
      stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
      stream.avail_out = static_cast<uInt>(out.size());
      EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
      out.resize(stream.total_out);
      inflateEnd(&stream);
      EXPECT_EQ(out, source_text);
    }
  }
}

}  // namespace
}  // namespace crash
