#include "config/tag_parser.h"

namespace config {

uint32_t ReadLittleEndian32(std::string_view data, size_t offset) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) {
    value |= static_cast<uint32_t>(static_cast<uint8_t>(data[offset + i])) << (8 * i);
  }
  return value;
}

uint16_t ReadLittleEndian16(std::string_view data, size_t offset) {
  return static_cast<uint16_t>(static_cast<uint8_t>(data[offset]) |
                               static_cast<uint8_t>(data[offset + 1]) << 8);
}

uint16_t ReadBigEndian16(std::string_view data, size_t offset) {
  return static_cast<uint16_t>(static_cast<uint8_t>(data[offset]) << 8 |
                               static_cast<uint8_t>(data[offset + 1]));
}

const uint8_t kDummyCertificatePrefix[kDummyCertificatePrefixSize] = {
    // version [0] INTEGER 2
    0xa0, 0x03, 0x02, 0x01, 0x02,
    // serialNumber 1
    0x02, 0x01, 0x01,
    // signature sha1WithRSAEncryption, NULL parameters
    0x30, 0x0d, 0x06, 0x09, 0x2a, 0x86, 0x48, 0x86, 0xf7, 0x0d, 0x01, 0x01, 0x05, 0x05, 0x00,
    // issuer CN=Unknown issuer
    0x30, 0x19, 0x31, 0x17, 0x30, 0x15, 0x06, 0x03, 0x55, 0x04, 0x03, 0x13, 0x0e, 'U', 'n', 'k',
    'n', 'o', 'w', 'n', ' ', 'i', 's', 's', 'u', 'e', 'r',
    // validity 130101100000Z to 130401100000Z
    0x30, 0x1e, 0x17, 0x0d, '1', '3', '0', '1', '0', '1', '1', '0', '0', '0', '0', '0', 'Z', 0x17,
    0x0d, '1', '3', '0', '4', '0', '1', '1', '0', '0', '0', '0', '0', 'Z',
    // subject CN=Dummy certificate
    0x30, 0x1c, 0x31, 0x1a, 0x30, 0x18, 0x06, 0x03, 0x55, 0x04, 0x03, 0x13, 0x11, 'D', 'u', 'm',
    'm', 'y', ' ', 'c', 'e', 'r', 't', 'i', 'f', 'i', 'c', 'a', 't', 'e'};

namespace {

constexpr size_t kMinimumImageSize = 64;
constexpr size_t kPeHeaderPointerOffset = 0x3C;
constexpr size_t kPeHeadersMinimumSize = 96;
constexpr size_t kOptionalHeaderOffset = 24;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr size_t kChecksumOffset = 64;
constexpr size_t kPe32SecurityEntryOffset = 128;
constexpr size_t kPe32PlusSecurityEntryOffset = 144;
// Elements in front of the extensions in a TBSCertificate.
constexpr int kFieldsBeforeExtensions = 7;
constexpr int kExtensionsBeforeTag = 3;

constexpr size_t kTagRecordPeOffset = 152;
constexpr char kTagRecordMagic[] = "Vlct";
constexpr size_t kTagRecordHeaderSize = 6;

// Whether [offset, offset + size) lies inside a buffer of `total` bytes,
// computed without overflow on 32-bit builds.
bool FitsIn(uint64_t offset, uint64_t size, uint64_t total) {
  return offset <= total && size <= total - offset;
}

bool IsDummyCertificate(std::string_view image, size_t position, size_t size) {
  DerCursor cursor(image, position, position + size);
  if (!cursor.Enter() || !cursor.Enter()) return false;
  return cursor.remaining() >= kDummyCertificatePrefixSize &&
         image.compare(cursor.position(), kDummyCertificatePrefixSize,
                       std::string_view(reinterpret_cast<const char*>(kDummyCertificatePrefix),
                                        kDummyCertificatePrefixSize)) == 0;
}

}  // namespace

bool DerCursor::ReadElement(size_t* header_size, size_t* contents_size) const {
  if (position_ >= end_ || end_ > data_.size() || end_ - position_ < 2) return false;
  const uint8_t length_byte = static_cast<uint8_t>(data_[position_ + 1]);
  uint64_t length = 0;
  size_t header = 2;
  if (length_byte < 0x80) {
    length = length_byte;
  } else if (length_byte >= 0x81 && length_byte <= 0x84) {
    const size_t length_bytes = length_byte - 0x80u;
    header += length_bytes;
    if (end_ - position_ < header) return false;
    for (size_t i = 0; i < length_bytes; ++i) {
      length = length << 8 | static_cast<uint8_t>(data_[position_ + 2 + i]);
    }
  } else {
    return false;
  }
  if (length > end_ - position_ - header) return false;
  *header_size = header;
  *contents_size = static_cast<size_t>(length);
  return true;
}

bool DerCursor::Enter() {
  size_t header = 0;
  size_t contents = 0;
  if (!ReadElement(&header, &contents)) return false;
  position_ += header;
  end_ = position_ + contents;
  return true;
}

bool DerCursor::Skip() {
  size_t header = 0;
  size_t contents = 0;
  if (!ReadElement(&header, &contents)) return false;
  position_ += header + contents;
  return true;
}

bool FindCertificateTable(std::string_view image, CertificateTable* table) {
  if (image.size() < kMinimumImageSize) return false;
  const uint32_t pe = ReadLittleEndian32(image, kPeHeaderPointerOffset);
  if (!FitsIn(pe, kPeHeadersMinimumSize, image.size())) return false;
  if (image.compare(pe, 4, std::string_view("PE\0\0", 4)) != 0) return false;
  const uint16_t magic = ReadLittleEndian16(image, pe + kOptionalHeaderOffset);
  uint64_t entry = pe + kOptionalHeaderOffset;
  if (magic == kPe32Magic) {
    entry += kPe32SecurityEntryOffset;
  } else if (magic == kPe32PlusMagic) {
    entry += kPe32PlusSecurityEntryOffset;
  } else {
    return false;
  }
  if (!FitsIn(entry, 8, image.size())) return false;
  const uint32_t table_offset = ReadLittleEndian32(image, static_cast<size_t>(entry));
  const uint32_t table_size = ReadLittleEndian32(image, static_cast<size_t>(entry) + 4);
  if (!FitsIn(table_offset, table_size, image.size())) return false;
  table->checksum_offset = pe + kOptionalHeaderOffset + kChecksumOffset;
  table->entry_offset = static_cast<size_t>(entry);
  table->offset = table_offset;
  table->size = table_size;
  return true;
}

bool EnterCertificates(std::string_view image, const CertificateTable& table,
                       DerCursor* certificates, size_t* enclosing_starts) {
  // Without room for the record header the cursor starts past its end and fails.
  DerCursor cursor(image, table.offset + kWinCertificateHeaderSize, table.offset + table.size);
  // ContentInfo (skip contentType), [0] content, SignedData (skip version,
  // digestAlgorithms and encapContentInfo), certificates [0].
  constexpr int kSkipsAfterEntering[kCertificatesDepth] = {1, 0, 3, 0};
  for (size_t depth = 0; depth < kCertificatesDepth; ++depth) {
    if (enclosing_starts != nullptr) enclosing_starts[depth] = cursor.position();
    if (!cursor.Enter()) return false;
    for (int i = 0; i < kSkipsAfterEntering[depth]; ++i) {
      if (!cursor.Skip()) return false;
    }
  }
  *certificates = cursor;
  return true;
}

bool FindDummyCertificateTagRoom(std::string_view image, size_t position, size_t size,
                                 size_t* tag_offset, size_t* tag_room) {
  if (!IsDummyCertificate(image, position, size)) return false;
  DerCursor cursor(image, position, position + size);
  if (!cursor.Enter() || !cursor.Enter()) return false;
  for (int i = 0; i < kFieldsBeforeExtensions; ++i) {
    if (!cursor.Skip()) return false;
  }
  // [3] extensions, then the SEQUENCE OF extensions.
  if (!cursor.Enter() || !cursor.Enter()) return false;
  for (int i = 0; i < kExtensionsBeforeTag; ++i) {
    if (!cursor.Skip()) return false;
  }
  // The element after the identifier is taken as extnValue: a "critical"
  // field there leaves a one-byte room, which holds no tag.
  if (!cursor.Enter() || !cursor.Skip() || !cursor.Enter()) return false;
  *tag_offset = cursor.position();
  *tag_room = cursor.remaining();
  return true;
}

TagParseResult ParseTagFromImage(std::string_view image, std::string* tag) {
  tag->clear();
  CertificateTable table;
  if (!FindCertificateTable(image, &table)) return TagParseResult::kNoCertificateTable;
  DerCursor certificates(image, 0, 0);
  if (!EnterCertificates(image, table, &certificates)) {
    return TagParseResult::kInvalidAsn1;
  }
  std::string result;
  while (certificates.position() < certificates.end()) {
    size_t header = 0;
    size_t contents = 0;
    if (!certificates.ReadElement(&header, &contents)) return TagParseResult::kInvalidAsn1;
    size_t tag_offset = 0;
    size_t tag_room = 0;
    if (FindDummyCertificateTagRoom(image, certificates.position(), header + contents, &tag_offset,
                                    &tag_room) &&
        tag_room >= 2) {
      const size_t length = ReadBigEndian16(image, tag_offset);
      if (length <= tag_room - 2) result.append(image.substr(tag_offset + 2, length));
    }
    certificates.Skip();
  }
  *tag = std::move(result);
  return TagParseResult::kOk;
}

std::string ReadTagRecord(std::string_view view) {
  if (view.size() < kMinimumImageSize || view.compare(0, 2, "MZ") != 0) return std::string();
  const uint32_t pe = ReadLittleEndian32(view, kPeHeaderPointerOffset);
  if (!FitsIn(pe, kTagRecordPeOffset + 4, view.size()) ||
      view.compare(pe, 4, std::string_view("PE\0\0", 4)) != 0) {
    return std::string();
  }
  const uint32_t table = ReadLittleEndian32(view, pe + kTagRecordPeOffset);
  if (table == 0 || !FitsIn(table, 12, view.size())) return std::string();
  if (static_cast<uint8_t>(view[table + 8]) != 0x30 ||
      static_cast<uint8_t>(view[table + 9]) != 0x82) {
    return std::string();
  }
  // The first entry's size: its 8-byte header, the 4-byte DER header and the
  // contents, rounded to the table's 8-byte alignment.
  const uint32_t entry_size = ((ReadBigEndian16(view, table + 10) + 19u) & ~7u) & 0x1FFFFu;
  if (entry_size == 0) return std::string();
  const uint64_t record = static_cast<uint64_t>(table) + entry_size;
  if (!FitsIn(record, kTagRecordHeaderSize, view.size()) ||
      view.compare(static_cast<size_t>(record), 4, kTagRecordMagic) != 0) {
    return std::string();
  }
  const size_t text = static_cast<size_t>(record) + kTagRecordHeaderSize;
  const uint16_t length = ReadBigEndian16(view, text - 2);
  if (!FitsIn(text, length, view.size())) return std::string();
  return std::string(view.substr(text, length));
}

}  // namespace config
