#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>

#include "crash/multipart_body.h"

namespace crash {

inline constexpr size_t kGzipInputReadBytes = 4096;
inline constexpr int kGzipWindowBits = 31;  // 15 bits of window, gzip wrapper
inline constexpr int kGzipMemoryLevel = 8;

// Compresses another stream on the fly into the gzip format. It reports the
// end only after the compressor has written its trailer; a compressor that
// could not start makes every read fail.
class GzipStream : public BodyStream {
 public:
  explicit GzipStream(BodyStream* source);
  ~GzipStream() override;
  GzipStream(const GzipStream&) = delete;
  GzipStream& operator=(const GzipStream&) = delete;

  int64_t Read(uint8_t* buffer, size_t size) override;

 private:
  BodyStream* source_;
  z_stream stream_ = {};
  bool initialized_ = false;
  bool input_ended_ = false;
  bool finished_ = false;
  uint8_t input_[kGzipInputReadBytes];
};

}  // namespace crash
