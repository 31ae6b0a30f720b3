#include "config/tag_writer.h"

#include <algorithm>
#include <vector>

#include "config/tag_parser.h"

namespace config {
namespace {

constexpr uint8_t kDerInteger = 0x02;
constexpr uint8_t kDerBitString = 0x03;
constexpr uint8_t kDerOctetString = 0x04;
constexpr uint8_t kDerNull = 0x05;
constexpr uint8_t kDerObjectId = 0x06;
constexpr uint8_t kDerSequence = 0x30;
constexpr uint8_t kDerExtensions = 0xa3;

// 1.3.6.1.4.1.11129.2.1.9999, the identifier of the tag extension.
constexpr char kTagExtensionId[] = "\x2b\x06\x01\x04\x01\xd6\x79\x02\x01\xce\x0f";
constexpr char kRsaEncryptionId[] = "\x2a\x86\x48\x86\xf7\x0d\x01\x01\x01";
constexpr char kSha1WithRsaId[] = "\x2a\x86\x48\x86\xf7\x0d\x01\x01\x05";
constexpr char kBasicConstraintsId[] = "\x55\x1d\x13";
constexpr char kKeyUsageId[] = "\x55\x1d\x0f";
constexpr char kSubjectKeyId[] = "\x55\x1d\x0e";
constexpr size_t kRsaModulusBytes = 128;
constexpr size_t kKeyIdentifierBytes = 20;
constexpr size_t kCertificateTableAlignment = 8;

std::string ObjectId(std::string_view encoded) { return EncodeDerElement(kDerObjectId, encoded); }

std::string Extension(std::string_view id, std::string_view value) {
  return EncodeDerElement(kDerSequence, ObjectId(id) + EncodeDerElement(kDerOctetString, value));
}

std::string AlgorithmWithNullParameters(std::string_view id) {
  return EncodeDerElement(kDerSequence, ObjectId(id) + EncodeDerElement(kDerNull, ""));
}

// A well-formed RSA key nobody holds: readers of the certificate parse it.
std::string PlaceholderPublicKey() {
  std::string modulus(kRsaModulusBytes + 1, '\0');
  modulus[1] = '\xc0';
  modulus.back() = '\x01';
  const std::string key = EncodeDerElement(
      kDerSequence, EncodeDerElement(kDerInteger, modulus) +
                        EncodeDerElement(kDerInteger, std::string("\x01\x00\x01", 3)));
  return EncodeDerElement(kDerSequence, AlgorithmWithNullParameters(kRsaEncryptionId) +
                                            EncodeDerElement(kDerBitString, '\0' + key));
}

void WriteLittleEndian32(std::string* image, size_t offset, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) (*image)[offset + i] = static_cast<char>(value >> (8 * i));
}

// The tag's 16-bit length, the tag, then zeros to `room` bytes; the tag fits.
std::string TagRoomContents(std::string_view tag, size_t room) {
  std::string contents(room, '\0');
  contents[0] = static_cast<char>(tag.size() >> 8);
  contents[1] = static_cast<char>(tag.size());
  contents.replace(2, tag.size(), tag);
  return contents;
}

void FillTagRoom(std::string* image, size_t offset, size_t room, std::string_view tag) {
  image->replace(offset, room, TagRoomContents(tag, room));
}

// Re-encodes the nested elements starting at `starts` (outermost first) with
// `insertion` placed at `insert_at` inside the innermost one.
std::string Rewrap(std::string_view image, const size_t* starts, size_t depth, size_t insert_at,
                   std::string_view insertion) {
  DerCursor cursor(image, starts[0], image.size());
  size_t header = 0;
  size_t contents = 0;
  cursor.ReadElement(&header, &contents);
  const size_t begin = starts[0] + header;
  const size_t end = begin + contents;
  std::string inner;
  if (depth > 1) {
    DerCursor child(image, starts[1], end);
    child.Skip();
    inner = std::string(image.substr(begin, starts[1] - begin)) +
            Rewrap(image, starts + 1, depth - 1, insert_at, insertion) +
            std::string(image.substr(child.position(), end - child.position()));
  } else {
    inner = std::string(image.substr(begin, insert_at - begin)) + std::string(insertion) +
            std::string(image.substr(insert_at, end - insert_at));
  }
  return EncodeDerElement(static_cast<uint8_t>(image[starts[0]]), inner);
}

size_t PaddedEntrySize(size_t size) {
  return (size + kCertificateTableAlignment - 1) / kCertificateTableAlignment *
         kCertificateTableAlignment;
}

bool AddDummyCertificate(std::string* image, const CertificateTable& table,
                         const DerCursor& certificates, const size_t* enclosing_starts,
                         std::string_view tag, std::string* error) {
  if (table.offset + table.size != image->size()) {
    *error = "the certificate table is not at the end of the file";
    return false;
  }
  const std::string content_info =
      Rewrap(*image, enclosing_starts, kCertificatesDepth, certificates.end(),
             BuildDummyCertificate(BuildTagExtension(tag, kTagRoomBytes + 2)));
  // Entries after the signature's own (rare, but allowed) are kept as they are.
  DerCursor old_content_info(*image, enclosing_starts[0], table.offset + table.size);
  old_content_info.Skip();
  const size_t old_entry_size =
      std::min(PaddedEntrySize(old_content_info.position() - table.offset), table.size);
  const size_t entry_size = PaddedEntrySize(kWinCertificateHeaderSize + content_info.size());
  std::string entry = image->substr(table.offset, kWinCertificateHeaderSize);
  WriteLittleEndian32(&entry, 0, static_cast<uint32_t>(entry_size));
  entry += content_info;
  entry.resize(entry_size, '\0');
  entry += image->substr(table.offset + old_entry_size, table.size - old_entry_size);
  image->replace(table.offset, table.size, entry);
  WriteLittleEndian32(image, table.entry_offset + 4, static_cast<uint32_t>(entry.size()));
  return true;
}

}  // namespace

std::string EncodeDerElement(uint8_t tag, std::string_view contents) {
  std::string element(1, static_cast<char>(tag));
  const size_t size = contents.size();
  if (size < 0x80) {
    element += static_cast<char>(size);
  } else {
    std::string length;
    for (size_t rest = size; rest != 0; rest >>= 8) {
      length.insert(length.begin(), static_cast<char>(rest & 0xff));
    }
    element += static_cast<char>(0x80 + length.size());
    element += length;
  }
  element += contents;
  return element;
}

std::string BuildTagExtension(std::string_view tag, size_t room) {
  return Extension(std::string_view(kTagExtensionId, sizeof(kTagExtensionId) - 1),
                   TagRoomContents(tag, room));
}

std::string BuildDummyCertificate(std::string_view fourth_extension) {
  const std::string extensions =
      Extension(kBasicConstraintsId, EncodeDerElement(kDerSequence, "")) +
      Extension(kKeyUsageId, std::string("\x03\x02\x07\x80", 4)) +
      Extension(kSubjectKeyId,
                EncodeDerElement(kDerOctetString, std::string(kKeyIdentifierBytes, '\0'))) +
      std::string(fourth_extension);
  const std::string tbs = EncodeDerElement(
      kDerSequence,
      std::string(reinterpret_cast<const char*>(kDummyCertificatePrefix),
                  kDummyCertificatePrefixSize) +
          PlaceholderPublicKey() +
          EncodeDerElement(kDerExtensions, EncodeDerElement(kDerSequence, extensions)));
  return EncodeDerElement(
      kDerSequence, tbs + AlgorithmWithNullParameters(kSha1WithRsaId) +
                        EncodeDerElement(kDerBitString, std::string(kRsaModulusBytes + 1, '\0')));
}

bool WriteTag(std::string* image, std::string_view tag, std::string* error) {
  CertificateTable table;
  if (!FindCertificateTable(*image, &table) || table.size == 0) {
    *error = "not a signed PE file (no certificate table)";
    return false;
  }
  // The headers this writes (checksum, security entry) must not be inside the table.
  if (table.offset < table.entry_offset + 8) {
    *error = "the certificate table overlaps the PE headers";
    return false;
  }
  DerCursor certificates(*image, 0, 0);
  size_t enclosing_starts[kCertificatesDepth] = {};
  if (!EnterCertificates(*image, table, &certificates, enclosing_starts)) {
    *error = "the certificate table is not a PKCS #7 signature with certificates";
    return false;
  }
  struct Room {
    size_t offset;
    size_t size;
  };
  std::vector<Room> rooms;
  for (DerCursor walk = certificates; walk.position() < walk.end();) {
    size_t header = 0;
    size_t contents = 0;
    if (!walk.ReadElement(&header, &contents)) {
      *error = "a certificate of the signature is malformed";
      return false;
    }
    Room room = {};
    if (FindDummyCertificateTagRoom(*image, walk.position(), header + contents, &room.offset,
                                    &room.size) &&
        room.size >= 2) {
      rooms.push_back(room);
    }
    walk.Skip();
  }
  const size_t room_bytes = rooms.empty() ? kTagRoomBytes : rooms.front().size - 2;
  if (tag.size() > room_bytes) {
    *error = "the tag has " + std::to_string(tag.size()) + " bytes, more than the " +
             std::to_string(room_bytes) + " bytes of room";
    return false;
  }
  if (rooms.empty()) {
    if (!AddDummyCertificate(image, table, certificates, enclosing_starts, tag, error)) {
      return false;
    }
  } else {
    FillTagRoom(image, rooms.front().offset, rooms.front().size, tag);
    for (size_t i = 1; i < rooms.size(); ++i)
      FillTagRoom(image, rooms[i].offset, rooms[i].size, "");
  }
  WriteLittleEndian32(image, table.checksum_offset,
                      ComputePeChecksum(*image, table.checksum_offset));
  return true;
}

uint32_t ComputePeChecksum(std::string_view image, size_t checksum_offset) {
  uint64_t sum = 0;
  for (size_t i = 0; i < image.size(); i += 2) {
    if (i == checksum_offset || i == checksum_offset + 2) continue;
    uint32_t word = static_cast<uint8_t>(image[i]);
    if (i + 1 < image.size())
      word |= static_cast<uint32_t>(static_cast<uint8_t>(image[i + 1])) << 8;
    sum += word;
    sum = (sum & 0xffff) + (sum >> 16);
  }
  sum = (sum & 0xffff) + (sum >> 16);
  return static_cast<uint32_t>(sum + image.size());
}

}  // namespace config
