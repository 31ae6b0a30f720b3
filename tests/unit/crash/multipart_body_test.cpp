#include "crash/multipart_body.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "crash/gzip_stream.h"

namespace crash {
namespace {

// Everything a stream yields, reading `piece` bytes at a time.
std::string ReadAll(BodyStream* stream, size_t piece = 7) {
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

TEST(MultipartBoundary, HasPrefixThirtyTwoAlphabetCharactersAndSuffix) {
  size_t call = 0;
  const std::string boundary = MakeMultipartBoundary([&call](size_t bound) {
    EXPECT_EQ(bound, 62u);
    return call++ == 0 ? 61 : 0;
  });
  EXPECT_EQ(boundary, "---MultipartBoundary-z" + std::string(31, '0') + "---");
}

TEST(MultipartName, EscapesQuoteCrLfAndPercentInLowerCaseHex) {
  EXPECT_EQ(EscapeMultipartName("a\"b\r\nc%d\xC3\xA9"), "a%22b%0d%0ac%25d\xC3\xA9");
}

TEST(MultipartBody, WritesFieldsFileAndClosingBoundary) {
  MultipartBody body("B");
  body.AddField("key", "va\"lue");
  body.AddFile("upload_file_minidump", "id.dmp", "application/octet-stream",
               std::make_unique<StringStream>(std::string("MDMP\0x", 6)));
  EXPECT_EQ(body.GetContentType(), "multipart/form-data; boundary=B");
  EXPECT_EQ(ReadAll(&body),
            "--B\r\nContent-Disposition: form-data; name=\"key\"\r\n\r\nva\"lue\r\n"
            "--B\r\nContent-Disposition: form-data; name=\"upload_file_minidump\"; "
            "filename=\"id.dmp\"\r\nContent-Type: application/octet-stream\r\n\r\n" +
                std::string("MDMP\0x", 6) + "\r\n--B--\r\n");
}

TEST(MultipartBody, EscapesFieldNamesButNotValues) {
  MultipartBody body("B");
  body.AddField("a\"b", "x\r\ny");
  EXPECT_EQ(ReadAll(&body),
            "--B\r\nContent-Disposition: form-data; name=\"a%22b\"\r\n\r\nx\r\ny\r\n--B--\r\n");
}

TEST(MultipartBody, FailsWhenTheFileCannotBeRead) {
  MultipartBody body("B");
  body.AddFile("f", "n", "t", std::make_unique<FailingStream>());
  uint8_t buffer[4096];
  EXPECT_EQ(body.Read(buffer, sizeof(buffer)), -1);
}

std::string Gunzip(const std::string& compressed) {
  z_stream stream = {};
  EXPECT_EQ(inflateInit2(&stream, 31), Z_OK);
  std::string out(1 << 20, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  stream.avail_in = static_cast<uInt>(compressed.size());
  stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  inflateEnd(&stream);
  return out;
}

TEST(GzipStream, RoundTripsInAnyReadSizeWithAGzipHeader) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += std::to_string(i * 7919 % 1000);
  for (const size_t piece : {1u, 100u, 32768u}) {
    StringStream source(text);
    GzipStream gzip(&source);
    const std::string compressed = ReadAll(&gzip, piece);
    ASSERT_GE(compressed.size(), 2u);
    EXPECT_EQ(static_cast<uint8_t>(compressed[0]), 0x1F);
    EXPECT_EQ(static_cast<uint8_t>(compressed[1]), 0x8B);
    EXPECT_EQ(Gunzip(compressed), text) << piece;
  }
}

TEST(GzipStream, EmptySourceGivesAValidEmptyGzip) {
  StringStream source("");
  GzipStream gzip(&source);
  EXPECT_EQ(Gunzip(ReadAll(&gzip)), "");
}

TEST(GzipStream, SourceFailureFailsTheStream) {
  FailingStream source;
  GzipStream gzip(&source);
  uint8_t buffer[64];
  EXPECT_EQ(gzip.Read(buffer, sizeof(buffer)), -1);
}

}  // namespace
}  // namespace crash
