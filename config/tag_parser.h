#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Reading the installer tag out of a PE image held in memory. Pure: no system
// calls, so the same code runs in the installer, the tag tool and the fuzzers.
namespace config {

// The first bytes of a dummy certificate's TBSCertificate contents: version 3,
// serial 1, sha1WithRSAEncryption, issuer "Unknown issuer", validity from
// 2013-01-01 to 2013-04-01, subject "Dummy certificate".
inline constexpr size_t kDummyCertificatePrefixSize = 112;
extern const uint8_t kDummyCertificatePrefix[kDummyCertificatePrefixSize];

// A position and an end inside one buffer; every move stays before the end.
// Lengths follow the minimal DER rule: short form, or 1 to 4 length bytes.
class DerCursor {
 public:
  DerCursor(std::string_view data, size_t position, size_t end)
      : data_(data), position_(position), end_(end) {}

  // Header and contents size of the element at the position; false when its
  // length form is invalid or the header does not fit before the end.
  bool ReadElement(size_t* header_size, size_t* contents_size) const;
  // Moves into the contents of the element at the position; the element must
  // end no later than the end, which becomes the element's end.
  bool Enter();
  // Moves past the element at the position, staying no later than the end.
  bool Skip();

  size_t position() const { return position_; }
  size_t end() const { return end_; }
  size_t remaining() const { return end_ > position_ ? end_ - position_ : 0; }

 private:
  std::string_view data_;
  size_t position_;
  size_t end_;
};

// Fixed-size numbers at `offset` of `data`, which must hold them.
uint32_t ReadLittleEndian32(std::string_view data, size_t offset);
uint16_t ReadLittleEndian16(std::string_view data, size_t offset);
uint16_t ReadBigEndian16(std::string_view data, size_t offset);

// A certificate table entry starts with its length, revision and type.
inline constexpr size_t kWinCertificateHeaderSize = 8;

// Where a PE32 or PE32+ image keeps its certificate table.
struct CertificateTable {
  size_t checksum_offset = 0;  // of the optional header's checksum field
  size_t entry_offset = 0;     // of the security data directory entry
  size_t offset = 0;           // file offset of the table
  size_t size = 0;
};

// The certificate table named by the security entry of the optional header;
// false when `image` has no such entry or the table reaches past its end.
bool FindCertificateTable(std::string_view image, CertificateTable* table);

// The elements around the certificates, outermost first: ContentInfo, its [0]
// content, SignedData and the certificates [0] set itself.
inline constexpr size_t kCertificatesDepth = 4;

// Cursor at the first certificate of the SignedData certificates inside a
// certificate table; false on bad DER on the way. `enclosing_starts`, when
// given, receives where each of the kCertificatesDepth elements starts.
bool EnterCertificates(std::string_view image, const CertificateTable& table,
                       DerCursor* certificates, size_t* enclosing_starts = nullptr);

// Whether the certificate element at `position` (of `size` bytes) is a dummy
// certificate; when it is, `tag_offset` and `tag_room` locate the contents of
// its fourth extension's value (a 16-bit length, the tag, then filler).
bool FindDummyCertificateTagRoom(std::string_view image, size_t position, size_t size,
                                 size_t* tag_offset, size_t* tag_room);

enum class TagParseResult { kOk, kNoCertificateTable, kInvalidAsn1 };

// The concatenated tags of every dummy certificate in the image's certificate
// table, in table order; `tag` is empty unless the result is kOk.
TagParseResult ParseTagFromImage(std::string_view image, std::string* tag);

// The tag record that follows the first certificate of a 32-bit image: "Vlct",
// a big-endian 16-bit length, then the text; empty when there is none.
std::string ReadTagRecord(std::string_view view);

}  // namespace config
