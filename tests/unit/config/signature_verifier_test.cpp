#include "config/signature_verifier.h"

#include <gtest/gtest.h>

#include <string>

#include "trust_fixtures.h"

namespace config {
namespace {

using namespace trust_fixtures;

// The fixture was signed by trust_tool with OpenSSL: big-endian PKCS #1 v1.5 SHA-1.
const std::string kJson(kTrustedJson, kTrustedJsonSize);
const std::string kSignature(kSignatureDat + 2, kSignatureDatSize - 2);
const std::string kKey(kPublicKeyDer, kPublicKeyDerSize);

TEST(SignatureVerifierTest, AcceptsOpenSslSignatureOverTheExactBytes) {
  SignatureVerifier verifier;
  EXPECT_TRUE(verifier.Verify(kSignature, kKey, kJson));
}

TEST(SignatureVerifierTest, RejectsChangedData) {
  std::string data = kJson;
  data.back() ^= 1;
  SignatureVerifier verifier;
  EXPECT_FALSE(verifier.Verify(kSignature, kKey, data));
  EXPECT_FALSE(verifier.Verify(kSignature, kKey, kJson + " "));
}

TEST(SignatureVerifierTest, RejectsChangedOrShortOrEmptySignature) {
  std::string changed = kSignature;
  changed[10] ^= 0x40;
  SignatureVerifier verifier;
  EXPECT_FALSE(verifier.Verify(changed, kKey, kJson));
  EXPECT_FALSE(verifier.Verify(kSignature.substr(1), kKey, kJson));
  EXPECT_FALSE(verifier.Verify(std::string(), kKey, kJson));
}

TEST(SignatureVerifierTest, RejectsAnotherKeyAndMalformedKeyBytes) {
  SignatureVerifier verifier;
  const std::string other = kKey == GetPublicKey(0) ? GetPublicKey(1) : GetPublicKey(0);
  EXPECT_FALSE(verifier.Verify(kSignature, other, kJson));
  EXPECT_FALSE(verifier.Verify(kSignature, kKey.substr(0, 40), kJson));
  EXPECT_FALSE(verifier.Verify(kSignature, std::string(), kJson));
}

TEST(SignatureVerifierTest, CanVerifyAgainAfterAFailure) {
  SignatureVerifier verifier;
  EXPECT_FALSE(verifier.Verify(kSignature, kKey, "other"));
  EXPECT_TRUE(verifier.Verify(kSignature, kKey, kJson));
}

TEST(GetPublicKeyTest, HoldsTenRsa1024KeysAndNothingPast) {
  for (uint16_t number = 0; number < 10; ++number) {
    EXPECT_EQ(GetPublicKey(number).size(), 162u) << "key " << number;
  }
  EXPECT_TRUE(GetPublicKey(10).empty());
  EXPECT_TRUE(GetPublicKey(0xFFFF).empty());
}

}  // namespace
}  // namespace config
