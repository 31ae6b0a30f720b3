#include "tools/tag_tool/table_check.h"

#include <cstdint>

#include "config/distribution_params_parser.h"
#include "config/tag_parser.h"

namespace tag_tool {
namespace {

// WIN_CERTIFICATE: revision 2.0, type PKCS_SIGNED_DATA.
constexpr uint16_t kCertificateRevision = 0x0200;
constexpr uint16_t kPkcsSignedData = 0x0002;
// Entries are padded with zeros to 8 bytes.
constexpr size_t kEntryAlignment = 8;
constexpr uint8_t kCrlsTag = 0xa1;
constexpr uint8_t kSignerInfosTag = 0x31;

bool AllZero(std::string_view bytes) { return bytes.find_first_not_of('\0') == bytes.npos; }

// Where the element at `position` ends, within `end`; 0 when it does not fit.
size_t ElementEnd(std::string_view image, size_t position, size_t end) {
  config::DerCursor cursor(image, position, end);
  return cursor.Skip() ? cursor.position() : 0;
}

TableCheck Fault(std::string fault) { return TableCheck{false, std::string(), std::move(fault)}; }

// The tag of one dummy certificate: its length, the text, then zero filler;
// the text must read as the installer's parameters.
bool ReadTag(std::string_view image, size_t offset, size_t room, std::string* tag,
             std::string* fault) {
  const size_t length = room < 2 ? room : config::ReadBigEndian16(image, offset);
  if (room < 2 || length > room - 2) {
    *fault = "a dummy certificate's tag does not fit its room";
    return false;
  }
  const std::string_view text = image.substr(offset + 2, length);
  if (!AllZero(image.substr(offset + 2 + length, room - 2 - length))) {
    *fault = "a dummy certificate holds bytes after its tag";
    return false;
  }
  const std::string error =
      length == 0 ? std::string() : config::DistributionParamsTextError(std::string(text));
  if (!error.empty()) {
    *fault = "a dummy certificate's tag is not parameters the installer reads: " + error;
    return false;
  }
  tag->append(text);
  return true;
}

}  // namespace

TableCheck CheckCertificateTable(std::string_view image) {
  config::CertificateTable table;
  if (!config::FindCertificateTable(image, &table) || table.size == 0) {
    return Fault("no certificate table");
  }
  const size_t table_end = table.offset + table.size;
  if (table_end != image.size()) {
    return Fault(std::to_string(image.size() - table_end) +
                 " bytes follow the certificate table (an overlay the signature does not cover)");
  }
  if (table.size < config::kWinCertificateHeaderSize ||
      config::ReadLittleEndian16(image, table.offset + 4) != kCertificateRevision ||
      config::ReadLittleEndian16(image, table.offset + 6) != kPkcsSignedData) {
    return Fault("the certificate table does not start with an Authenticode signature entry");
  }
  const size_t signature_start = table.offset + config::kWinCertificateHeaderSize;
  const size_t signature_end = ElementEnd(image, signature_start, table_end);
  if (signature_end == 0) return Fault("the signature in the certificate table is not valid DER");
  const size_t padded_end =
      signature_end +
      (kEntryAlignment - (signature_end - table.offset) % kEntryAlignment) % kEntryAlignment;
  if (table_end > padded_end) {
    return Fault("the certificate table holds " + std::to_string(table_end - padded_end) +
                 " bytes after the signature");
  }
  if (table_end < padded_end) return Fault("the certificate table is not padded to 8 bytes");
  if (!AllZero(image.substr(signature_end, table_end - signature_end))) {
    return Fault("the certificate table's padding holds bytes other than zeros");
  }
  if (config::ReadLittleEndian32(image, table.offset) != table.size) {
    return Fault("the certificate table's entry length is not the table's size");
  }

  config::DerCursor certificates(image, 0, 0);
  size_t starts[config::kCertificatesDepth] = {};
  if (!config::EnterCertificates(image, table, &certificates, starts)) {
    return Fault("the signature in the certificate table has no certificates");
  }
  // Each wrapper holds exactly the next: ContentInfo ends with its [0]
  // content, which is exactly the SignedData.
  const size_t content_end = ElementEnd(image, starts[1], signature_end);
  const size_t signed_data_end = ElementEnd(image, starts[2], content_end);
  if (content_end != signature_end || signed_data_end != content_end) {
    return Fault("the signature in the certificate table holds bytes besides its SignedData");
  }
  TableCheck result{true, std::string(), std::string()};
  while (certificates.position() < certificates.end()) {
    size_t header = 0;
    size_t contents = 0;
    if (!certificates.ReadElement(&header, &contents)) {
      return Fault("the signature's certificates are not valid DER");
    }
    size_t tag_offset = 0;
    size_t tag_room = 0;
    if (config::FindDummyCertificateTagRoom(image, certificates.position(), header + contents,
                                            &tag_offset, &tag_room) &&
        !ReadTag(image, tag_offset, tag_room, &result.tag, &result.fault)) {
      return Fault(result.fault);
    }
    certificates.Skip();
  }
  // After the certificates: the optional CRLs, then the signer infos, then the end.
  config::DerCursor rest(image, certificates.end(), signed_data_end);
  if (rest.position() < rest.end() && static_cast<uint8_t>(image[rest.position()]) == kCrlsTag) {
    rest.Skip();
  }
  if (rest.position() >= rest.end() ||
      static_cast<uint8_t>(image[rest.position()]) != kSignerInfosTag || !rest.Skip() ||
      rest.position() != signed_data_end) {
    return Fault("the signature in the certificate table holds bytes besides its SignedData");
  }
  return result;
}

}  // namespace tag_tool
