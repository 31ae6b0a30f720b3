#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace crash {

// A request body read piece by piece, so a dump never has to fit in memory.
class BodyStream {
 public:
  virtual ~BodyStream() = default;
  // Fills up to `size` bytes; the count, 0 at the end, -1 on failure.
  virtual int64_t Read(uint8_t* buffer, size_t size) = 0;
};

class StringStream : public BodyStream {
 public:
  explicit StringStream(std::string text) : text_(std::move(text)) {}
  int64_t Read(uint8_t* buffer, size_t size) override;

 private:
  std::string text_;
  size_t position_ = 0;
};

inline constexpr char kBoundaryPrefix[] = "---MultipartBoundary-";
inline constexpr char kBoundarySuffix[] = "---";
inline constexpr char kBoundaryAlphabet[] =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
inline constexpr size_t kBoundaryRandomChars = 32;

// `pick(n)` returns a uniformly drawn number below n.
std::string MakeMultipartBoundary(const std::function<size_t(size_t)>& pick);
// CR, LF, double quote and percent written as "%" and two lower-case hex digits.
std::string EscapeMultipartName(const std::string& name);

// A multipart/form-data body: text fields, then file parts streamed from
// their own sources, then the closing boundary.
class MultipartBody : public BodyStream {
 public:
  explicit MultipartBody(std::string boundary) : boundary_(std::move(boundary)) {}

  void AddField(const std::string& name, const std::string& value);
  void AddFile(const std::string& name, const std::string& file_name,
               const std::string& content_type, std::unique_ptr<BodyStream> content);
  // "multipart/form-data; boundary=" and the boundary.
  std::string GetContentType() const;

  // The first read closes the body: nothing may be added afterwards.
  int64_t Read(uint8_t* buffer, size_t size) override;

 private:
  void AppendDisposition(const std::string& name);
  void FlushText();

  std::string boundary_;
  std::string text_;
  std::vector<std::unique_ptr<BodyStream>> parts_;
  size_t current_ = 0;
  bool closed_ = false;
};

}  // namespace crash
