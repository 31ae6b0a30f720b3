#include "config/signature_verifier.h"

#include <gtest/gtest.h>

#include <string>

#include "trust_fixtures.h"

namespace config {
namespace {

using namespace trust_fixtures;

// The fixture was signed by trust_tool with OpenSSL: big-endian PKCS #1 v1.5
// SHA-1. The tests end to end refuse short signatures and other keys.
TEST(SignatureVerifierTest, AcceptsOnlyTheOpenSslSignatureOverTheExactBytesWithItsKey) {
  const std::string json(kTrustedJson, kTrustedJsonSize);
  const std::string signature(kSignatureDat + 2, kSignatureDatSize - 2);
  const std::string key(kPublicKeyDer, kPublicKeyDerSize);
  std::string changed_json = json;
  changed_json.back() ^= 1;
  std::string changed_signature = signature;
  changed_signature[10] ^= 0x40;
  struct Row {
    const char* name;
    std::string signature, key, data;
  };
  const Row bad[] = {
      {"changed data", signature, key, changed_json},
      {"longer data", signature, key, json + " "},
      {"changed signature", changed_signature, key, json},
      {"no signature", "", key, json},
      {"short key", signature, key.substr(0, 40), json},
      {"no key", signature, "", json},
  };
  SignatureVerifier verifier;
  for (const Row& row : bad) {
    EXPECT_FALSE(verifier.Verify(row.signature, row.key, row.data)) << row.name;
  }
  // The same verifier still accepts after the failures.
  EXPECT_TRUE(verifier.Verify(signature, key, json));
}

}  // namespace
}  // namespace config
