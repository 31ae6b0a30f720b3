#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace crash {

// The minidump user stream that carries the crash information and its
// annotations. All numbers are little-endian.
inline constexpr uint32_t kCrashInfoStreamType = 0x43500001;
inline constexpr uint32_t kCrashInfoVersion = 1;
inline constexpr size_t kGuidBytes = 16;
// Version, report id, client id, annotations location, module list location.
inline constexpr uint32_t kCrashInfoHeaderSize = 52;
inline constexpr uint32_t kAnnotationsRvaOffset = 40;
inline constexpr uint32_t kAnnotationEntrySize = 8;

using Annotations = std::map<std::string, std::string>;

// The stream as written before the dump: the annotations location holds 52
// and the entries' key and value locations count from the start of the
// string area, so they can be moved once the stream's own place is known.
std::string BuildCrashInfoStream(const uint8_t (&report_id)[kGuidBytes],
                                 const uint8_t (&client_id)[kGuidBytes],
                                 const Annotations& annotations);

// Turns the stream header's relative annotations location into an absolute
// one for a stream written at `stream_rva`; false when the header was not
// the one written (its location no longer 52).
bool RelocateCrashInfoHeader(std::string* header, uint32_t stream_rva);
// Turns `count` relative entries into absolute ones.
void RelocateAnnotationEntries(std::string* entries, uint32_t count, uint32_t stream_rva);

uint32_t ReadUint32(const std::string& bytes, size_t offset);
void WriteUint32(std::string* bytes, size_t offset, uint32_t value);

}  // namespace crash
