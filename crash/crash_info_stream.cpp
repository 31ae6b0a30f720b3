#include "crash/crash_info_stream.h"

namespace crash {
namespace {

void AppendUint32(std::string* bytes, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes->push_back(static_cast<char>(value >> shift));
}

// One string record: length without the terminator, the bytes, one NUL.
void AppendStringRecord(std::string* area, const std::string& text) {
  AppendUint32(area, static_cast<uint32_t>(text.size()));
  area->append(text);
  area->push_back('\0');
}

// Where the string area starts in a stream written at `stream_rva`.
uint32_t StringAreaRva(uint32_t stream_rva, uint32_t count) {
  return stream_rva + kCrashInfoHeaderSize + 4 + kAnnotationEntrySize * count;
}

}  // namespace

uint32_t ReadUint32(const std::string& bytes, size_t offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) {
    value = (value << 8) | static_cast<uint8_t>(bytes[offset + static_cast<size_t>(i)]);
  }
  return value;
}

void WriteUint32(std::string* bytes, size_t offset, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) (*bytes)[offset + i] = static_cast<char>(value >> (8 * i));
}

std::string BuildCrashInfoStream(const uint8_t (&report_id)[kGuidBytes],
                                 const uint8_t (&client_id)[kGuidBytes],
                                 const Annotations& annotations) {
  std::string entries;
  std::string strings;
  for (const auto& [key, value] : annotations) {
    AppendUint32(&entries, static_cast<uint32_t>(strings.size()));
    AppendStringRecord(&strings, key);
    AppendUint32(&entries, static_cast<uint32_t>(strings.size()));
    AppendStringRecord(&strings, value);
  }
  const uint32_t count = static_cast<uint32_t>(annotations.size());

  std::string stream;
  AppendUint32(&stream, kCrashInfoVersion);
  stream.append(reinterpret_cast<const char*>(report_id), kGuidBytes);
  stream.append(reinterpret_cast<const char*>(client_id), kGuidBytes);
  AppendUint32(&stream, 4 + kAnnotationEntrySize * count + static_cast<uint32_t>(strings.size()));
  AppendUint32(&stream, kCrashInfoHeaderSize);
  AppendUint32(&stream, 0);  // module list: size
  AppendUint32(&stream, 0);  // module list: location
  AppendUint32(&stream, count);
  stream += entries;
  stream += strings;
  return stream;
}

bool RelocateCrashInfoHeader(std::string* header, uint32_t stream_rva) {
  if (header->size() != kCrashInfoHeaderSize ||
      ReadUint32(*header, kAnnotationsRvaOffset) != kCrashInfoHeaderSize) {
    return false;
  }
  WriteUint32(header, kAnnotationsRvaOffset, stream_rva + kCrashInfoHeaderSize);
  return true;
}

void RelocateAnnotationEntries(std::string* entries, uint32_t count, uint32_t stream_rva) {
  const uint32_t base = StringAreaRva(stream_rva, count);
  for (size_t offset = 0; offset + 4 <= entries->size(); offset += 4) {
    WriteUint32(entries, offset, ReadUint32(*entries, offset) + base);
  }
}

}  // namespace crash
