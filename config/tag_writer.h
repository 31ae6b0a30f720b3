#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Writing the installer tag into a signed PE image held in memory. Pure, like
// the reader: the distributors' tag tool runs it on Linux.
namespace config {

// Tag bytes a new dummy certificate has room for; the same copy can be tagged
// again with any text up to this size.
inline constexpr size_t kTagRoomBytes = 10240;

// One DER element with a one-byte tag and the shortest length form.
std::string EncodeDerElement(uint8_t tag, std::string_view contents);

// The fourth extension of a dummy certificate: the tag's identifier and an
// OCTET STRING of a 16-bit length, the tag and zero filler up to `room` bytes.
std::string BuildTagExtension(std::string_view tag, size_t room);

// A dummy certificate whose fourth extension is `fourth_extension`.
std::string BuildDummyCertificate(std::string_view fourth_extension);

// Writes `tag` into its first dummy certificate when there is one (clearing
// the tags of any others), otherwise into a new dummy certificate added to the
// signature's certificates. The Authenticode digest covers neither the
// certificate table nor the checksum, so the signature stays valid. On failure
// the image is unchanged and `error` says why.
bool WriteTag(std::string* image, std::string_view tag, std::string* error);

// The PE checksum of an image, its own checksum field counted as zero.
uint32_t ComputePeChecksum(std::string_view image, size_t checksum_offset);

}  // namespace config
