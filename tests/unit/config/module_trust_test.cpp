#include "config/module_trust.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "trust_fixtures.h"

namespace config {
namespace {

using namespace trust_fixtures;

const char kSha1RsaOid[] = "1.2.840.113549.1.1.5";
// Root serial 0x51A2B3C4D5E601, signers 0x0A1B2C3D01 and 0x8A1B2C3D02.
const std::string kSha1ListedId("\x51\xA2\xB3\xC4\xD5\xE6\x01\x0A\x1B\x2C\x3D\x01", 12);
const std::string kSha256ListedId("\x51\xA2\xB3\xC4\xD5\xE6\x01\x00\x8A\x1B\x2C\x3D\x02", 13);

// The tests end to end refuse a relative path before loading anything.
TEST(IsAbsolutePathTest, AcceptsOnlyDriveAndUncPaths) {
  for (const wchar_t* path :
       {L"z:/setup.exe", L"\\\\server\\a.exe", L"//server/a.exe", L"\\/a", L"C:\\"}) {
    EXPECT_TRUE(IsAbsolutePath(path)) << testing::PrintToString(path);
  }
  for (const wchar_t* path : {L"", L"C:setup.exe", L"C:", L"\\setup.exe", L"1:\\a", L"CC:\\a"}) {
    EXPECT_FALSE(IsAbsolutePath(path)) << testing::PrintToString(path);
  }
}

TEST(ParseTrustedJsonTest, DecodesIdsSkippingBadElementsAndDuplicates) {
  TrustedCertificateSet trusted;
  ASSERT_TRUE(ParseTrustedJson(R"({"trusted_info": {"certificates": [
      {"id": "AQID", "name": "x"}, {"id": "/w=="}, {"id": "AQID"}, {"id": "not base64"},
      {"id": 5}, "BAUG", {"name": "BAUG"}, null]}, "other": 1})",
                               &trusted));
  EXPECT_EQ(trusted, (TrustedCertificateSet{"\x01\x02\x03", "\xff"}));
}

TEST(ParseTrustedJsonTest, RejectsEveryOtherShapeWithAnEmptySet) {
  for (const char* text : {
           "",
           "not json",
           R"([])",
           R"({"certificates": [{"id": "AQID"}]})",
           R"({"trusted_info": []})",
           R"({"trusted_info": {"certificates": {"id": "AQID"}}})",
           R"({"trusted_info": {"certificates": "AQID"}})",
           R"({"trusted_info": {}})",
           R"({"trusted_info": {"certificates": [{"id": "AQID"}]})",
       }) {
    TrustedCertificateSet trusted = {"left over"};
    EXPECT_FALSE(ParseTrustedJson(text, &trusted)) << "accepted: " << text;
    EXPECT_TRUE(trusted.empty()) << "not emptied for: " << text;
  }
}

// Reads one signature whose signer is a test PKI certificate under its root,
// laid out as the platform's provider data holds it.
bool ReadSignature(const char* signer_der, size_t signer_size, DWORD signer_count,
                   DWORD chain_length, AcceptedSignature* signature) {
  using CertificatePtr =
      std::unique_ptr<const CERT_CONTEXT, decltype(&::CertFreeCertificateContext)>;
  const auto context = [](const char* der, size_t size) {
    return CertificatePtr(
        ::CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der),
                                       static_cast<DWORD>(size)),
        &::CertFreeCertificateContext);
  };
  const CertificatePtr certificates[2] = {context(signer_der, signer_size),
                                          context(kRootDer, kRootDerSize)};
  CRYPT_PROVIDER_CERT chain[2] = {};
  for (size_t i = 0; i < 2; ++i) {
    chain[i].cbStruct = sizeof(chain[i]);
    chain[i].pCert = certificates[i].get();
  }
  CRYPT_PROVIDER_SGNR signers[2] = {};
  for (CRYPT_PROVIDER_SGNR& signer : signers) {
    signer.cbStruct = sizeof(signer);
    signer.csCertChain = chain_length;
    signer.pasCertChain = chain;
  }
  CRYPT_PROVIDER_DATA data = {};
  data.cbStruct = sizeof(data);
  data.csSigners = signer_count;
  data.pasSigners = signers;
  return ReadAcceptedSignature(&data, signature);
}

TEST(ReadAcceptedSignatureTest, ReadsSerialPairAndAlgorithmOfOneSignerWithAChain) {
  AcceptedSignature sha1;
  ASSERT_TRUE(ReadSignature(kSha1ListedDer, kSha1ListedDerSize, 1, 2, &sha1));
  EXPECT_EQ(sha1.id, kSha1ListedId);
  EXPECT_EQ(sha1.algorithm, kSha1RsaOid);
  AcceptedSignature sha256;
  ASSERT_TRUE(ReadSignature(kSha256ListedDer, kSha256ListedDerSize, 1, 2, &sha256));
  // A serial with its high bit set keeps the leading zero byte of its encoding.
  EXPECT_EQ(sha256.id, kSha256ListedId);
  EXPECT_EQ(sha256.algorithm, kSha256RsaOid);
  // Two signers, none, or a chain of one.
  AcceptedSignature signature;
  EXPECT_FALSE(ReadSignature(kSha1ListedDer, kSha1ListedDerSize, 2, 2, &signature));
  EXPECT_FALSE(ReadSignature(kSha1ListedDer, kSha1ListedDerSize, 0, 2, &signature));
  EXPECT_FALSE(ReadSignature(kSha1ListedDer, kSha1ListedDerSize, 1, 1, &signature));
  EXPECT_FALSE(ReadAcceptedSignature(nullptr, &signature));
}

// Wine's WinVerifyTrust verifies the primary signature whatever index is
// asked, so the walk over dual signatures is decided here, against the list
// trust_tool made for the test PKI.
TEST(TrustDecisionTest, ListedSha256SettlesAndAnyUnlistedSha256RulesOutSha1) {
  TrustedCertificateSet trusted;
  ASSERT_TRUE(ParseTrustedJson(std::string(kTrustedJson, kTrustedJsonSize), &trusted));
  // Signatures in the order the walk meets them: "L" a listed pair or "u" an
  // unlisted one, then "1" SHA-1 or "2" SHA-256.
  const std::pair<const char*, bool> rows[] = {{"L1", true},    {"L2", true},   {"u1", false},
                                               {"u2", false},   {"", false},    {"L1u2", false},
                                               {"u2L1", false}, {"u1L2", true}, {"L2u1", true},
                                               {"L1u1", true},  {"u1L1", true}, {"u2L1L2", true}};
  for (const auto& [walk, expected] : rows) {
    SCOPED_TRACE(walk);
    TrustDecision decision(trusted);
    bool settled = false;
    for (const char* at = walk; *at && !settled; at += 2) {
      const bool sha256 = at[1] == '2';
      const std::string id = *at == 'L' ? (sha256 ? kSha256ListedId : kSha1ListedId) : "\x01";
      settled = decision.Add({id, sha256 ? kSha256RsaOid : kSha1RsaOid});
      // Only a listed SHA-256 signature ends the walk early.
      EXPECT_EQ(settled, *at == 'L' && sha256);
    }
    EXPECT_EQ(settled || decision.trusted(), expected);
  }
}

}  // namespace
}  // namespace config
