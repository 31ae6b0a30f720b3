#include "crash/multipart_body.h"

#include <algorithm>
#include <cstring>

namespace crash {

int64_t StringStream::Read(uint8_t* buffer, size_t size) {
  const size_t count = std::min(size, text_.size() - position_);
  std::memcpy(buffer, text_.data() + position_, count);
  position_ += count;
  return static_cast<int64_t>(count);
}

std::string MakeMultipartBoundary(const std::function<size_t(size_t)>& pick) {
  constexpr size_t kAlphabetSize = sizeof(kBoundaryAlphabet) - 1;
  std::string boundary = kBoundaryPrefix;
  for (size_t i = 0; i < kBoundaryRandomChars; ++i) {
    boundary.push_back(kBoundaryAlphabet[pick(kAlphabetSize) % kAlphabetSize]);
  }
  return boundary + kBoundarySuffix;
}

std::string EscapeMultipartName(const std::string& name) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string escaped;
  for (const char c : name) {
    if (c == '\r' || c == '\n' || c == '"' || c == '%') {
      escaped.push_back('%');
      escaped.push_back(kHex[(static_cast<uint8_t>(c) >> 4) & 0xF]);
      escaped.push_back(kHex[static_cast<uint8_t>(c) & 0xF]);
    } else {
      escaped.push_back(c);
    }
  }
  return escaped;
}

void MultipartBody::AppendDisposition(const std::string& name) {
  text_ += "--" + boundary_ + "\r\nContent-Disposition: form-data; name=\"" +
           EscapeMultipartName(name) + "\"";
}

void MultipartBody::AddField(const std::string& name, const std::string& value) {
  AppendDisposition(name);
  text_ += "\r\n\r\n" + value + "\r\n";
}

void MultipartBody::AddFile(const std::string& name, const std::string& file_name,
                            const std::string& content_type, std::unique_ptr<BodyStream> content) {
  AppendDisposition(name);
  text_ += "; filename=\"" + EscapeMultipartName(file_name) +
           "\"\r\nContent-Type: " + content_type + "\r\n\r\n";
  FlushText();
  parts_.push_back(std::move(content));
  text_ = "\r\n";
}

std::string MultipartBody::GetContentType() const {
  return "multipart/form-data; boundary=" + boundary_;
}

void MultipartBody::FlushText() {
  parts_.push_back(std::make_unique<StringStream>(std::move(text_)));
  text_.clear();
}

int64_t MultipartBody::Read(uint8_t* buffer, size_t size) {
  if (!closed_) {
    text_ += "--" + boundary_ + "--\r\n";
    FlushText();
    closed_ = true;
  }
  size_t filled = 0;
  while (filled < size && current_ < parts_.size()) {
    const int64_t count = parts_[current_]->Read(buffer + filled, size - filled);
    if (count < 0) return -1;
    if (count == 0) {
      ++current_;
    } else {
      filled += static_cast<size_t>(count);
    }
  }
  return static_cast<int64_t>(filled);
}

}  // namespace crash
