#pragma once

#include <string>
#include <string_view>

// What a published copy's certificate table may hold: the Authenticode
// signature (one PKCS #7 SignedData) and, among its certificates, dummy
// certificates carrying a tag the installer reads. Anything else there, or
// after the table, is bytes the signature does not cover and the release
// check cannot vouch for. Pure: takes the image, returns the verdict.
namespace tag_tool {

struct TableCheck {
  bool ok = false;
  std::string tag;    // the tag the installer would read, when ok
  std::string fault;  // one line naming what else the file holds, when not ok
};

TableCheck CheckCertificateTable(std::string_view image);

}  // namespace tag_tool
