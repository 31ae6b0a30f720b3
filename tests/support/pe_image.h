#pragma once

// Small PE images with a certificate table, built in memory for the tag
// reader's tests and the fuzzers' seeds.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/tag_writer.h"

namespace test_support {

inline constexpr size_t kPeHeaderOffset = 0x40;
inline constexpr size_t kCertificateTableOffset = 0x200;

inline void PutLittleEndian(std::string* bytes, size_t offset, uint64_t value, size_t size) {
  for (size_t i = 0; i < size; ++i) (*bytes)[offset + i] = static_cast<char>(value >> (8 * i));
}

// A PKCS #7 ContentInfo with SignedData whose certificates are `certificates`.
inline std::string SignedData(const std::vector<std::string>& certificates) {
  using config::EncodeDerElement;
  std::string set;
  for (const std::string& certificate : certificates) set += certificate;
  const std::string signed_data = EncodeDerElement(
      0x30,
      EncodeDerElement(0x02, "\x01") + EncodeDerElement(0x31, "") +
          EncodeDerElement(0x30, EncodeDerElement(0x06, "\x2a\x86\x48\x86\xf7\x0d\x01\x07\x01")) +
          EncodeDerElement(0xa0, set) + EncodeDerElement(0x31, ""));
  return EncodeDerElement(0x30, EncodeDerElement(0x06, "\x2a\x86\x48\x86\xf7\x0d\x01\x07\x02") +
                                    EncodeDerElement(0xa0, signed_data));
}

// A PE32 (or PE32+) image of headers only, with `der` as its one certificate
// at the end of the file.
inline std::string PeImage(std::string_view der, bool pe32_plus = false) {
  std::string image(kCertificateTableOffset, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  PutLittleEndian(&image, 0x3C, kPeHeaderOffset, 4);
  image.replace(kPeHeaderOffset, 4, std::string("PE\0\0", 4));
  const size_t optional_header = kPeHeaderOffset + 24;
  PutLittleEndian(&image, optional_header, pe32_plus ? 0x20B : 0x10B, 2);
  const size_t entry = optional_header + (pe32_plus ? 144 : 128);
  std::string table(8, '\0');
  table += der;
  table.resize((table.size() + 7) / 8 * 8, '\0');
  PutLittleEndian(&table, 0, table.size(), 4);
  PutLittleEndian(&table, 4, 0x0200, 2);  // revision 2
  PutLittleEndian(&table, 6, 0x0002, 2);  // PKCS #7 signed data
  PutLittleEndian(&image, entry, kCertificateTableOffset, 4);
  PutLittleEndian(&image, entry + 4, table.size(), 4);
  return image + table;
}

// A signed-looking image whose dummy certificates carry `tags`, in order.
inline std::string TaggedImage(const std::vector<std::string>& tags, bool pe32_plus = false) {
  std::vector<std::string> certificates;
  for (const std::string& tag : tags) {
    certificates.push_back(config::BuildDummyCertificate(config::BuildTagExtension(tag, 64)));
  }
  return PeImage(SignedData(certificates), pe32_plus);
}

}  // namespace test_support
