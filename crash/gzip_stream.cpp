#include "crash/gzip_stream.h"

namespace crash {

GzipStream::GzipStream(BodyStream* source) : source_(source) {
  initialized_ = deflateInit2(&stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kGzipWindowBits,
                              kGzipMemoryLevel, Z_DEFAULT_STRATEGY) == Z_OK;
}

GzipStream::~GzipStream() {
  if (initialized_) deflateEnd(&stream_);
}

int64_t GzipStream::Read(uint8_t* buffer, size_t size) {
  if (!initialized_) return -1;
  if (finished_ || size == 0) return 0;
  stream_.next_out = buffer;
  stream_.avail_out = static_cast<uInt>(size);
  while (stream_.avail_out > 0 && !finished_) {
    if (stream_.avail_in == 0 && !input_ended_) {
      const int64_t count = source_->Read(input_, sizeof(input_));
      if (count < 0) return -1;
      input_ended_ = count == 0;
      stream_.next_in = input_;
      stream_.avail_in = static_cast<uInt>(count);
    }
    const int result = deflate(&stream_, input_ended_ ? Z_FINISH : Z_NO_FLUSH);
    if (result == Z_STREAM_END) {
      finished_ = true;
    } else if (result != Z_OK && result != Z_BUF_ERROR) {
      return -1;
    }
  }
  return static_cast<int64_t>(size - stream_.avail_out);
}

}  // namespace crash
