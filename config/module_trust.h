#pragma once

#include <windows.h>
#include <wintrust.h>

#include <set>
#include <string>
#include <string_view>

namespace config {

// Decoded ids of the trusted certificate pairs: the issuer's serial number
// followed by the signer's, both big-endian. std::string orders as unsigned bytes.
using TrustedCertificateSet = std::set<std::string>;

// One signature the system accepted: the id of its certificate pair and the
// signature algorithm (OID) of the signing certificate.
struct AcceptedSignature {
  std::string id;
  std::string algorithm;
};

inline constexpr char kSha256RsaOid[] = "1.2.840.113549.1.1.11";

// The trusted list a module carries, once its signature checks out against
// the built-in key it names; empty on any failure.
std::string GetTrustJsonFromModule(const std::wstring& path);

// Reads "trusted_info"."certificates"[]."id"; false (and an empty set) when
// the text is not of that shape. Ids that are not base64 are skipped.
bool ParseTrustedJson(std::string_view text, TrustedCertificateSet* trusted);

// Whether the system accepts an Authenticode signature of the file made by a
// listed certificate pair, SHA-256 signing certificates taking precedence.
bool IsModuleTrusted(const TrustedCertificateSet& trusted, const std::wstring& path);

// The whole check of a downloaded setup against the list it carries.
bool IsModuleTrusted(const std::wstring& path);

// A drive letter, a colon and a slash, or two leading slashes of either kind.
bool IsAbsolutePath(std::wstring_view path);

// Serials as the platform stores them (little-endian) into the pair's id.
std::string BuildCertificatePairId(std::string_view issuer_serial, std::string_view signer_serial);

// The signer's certificate pair of one verified signature; false unless it
// has exactly one signer and a chain of at least two certificates.
bool ReadAcceptedSignature(CRYPT_PROVIDER_DATA* provider_data, AcceptedSignature* signature);

// The decision over the accepted signatures in the order the walk meets them:
// once a SHA-256 signing certificate is seen, only SHA-256 ones can trust.
class TrustDecision {
 public:
  explicit TrustDecision(const TrustedCertificateSet& trusted) : trusted_(trusted) {}

  // True when this signature settles that the module is trusted.
  bool Add(const AcceptedSignature& signature);
  bool trusted() const { return matched_; }

 private:
  const TrustedCertificateSet& trusted_;
  bool sha256_seen_ = false;
  bool matched_ = false;
};

}  // namespace config
