#include "config/module_trust.h"

#include <gtest/gtest.h>

#include <string>

namespace config {
namespace {

const char kSha1RsaOid[] = "1.2.840.113549.1.1.5";

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
  for (const char* text :
       {"", "not json", R"([])", R"({"certificates": [{"id": "AQID"}]})", R"({"trusted_info": []})",
        R"({"trusted_info": {"certificates": "AQID"}})", R"({"trusted_info": {}})"}) {
    TrustedCertificateSet trusted = {"left over"};
    EXPECT_FALSE(ParseTrustedJson(text, &trusted)) << "accepted: " << text;
    EXPECT_TRUE(trusted.empty()) << "not emptied for: " << text;
  }
}

// Wine's WinVerifyTrust verifies the primary signature whatever index is
// asked, so the walk over dual signatures is decided here; the tests end to
// end check single signatures of the test PKI against the list trust_tool made.
TEST(TrustDecisionTest, ListedSha256SettlesAndAnyUnlistedSha256RulesOutSha1) {
  const TrustedCertificateSet trusted = {"listed"};
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
      settled =
          decision.Add({*at == 'L' ? "listed" : "unlisted", sha256 ? kSha256RsaOid : kSha1RsaOid});
      // Only a listed SHA-256 signature ends the walk early.
      EXPECT_EQ(settled, *at == 'L' && sha256);
    }
    EXPECT_EQ(settled || decision.trusted(), expected);
  }
}

// Only a signature with exactly one signer is read: with more, the certificate
// pair to look up in the trusted list would be ambiguous.
TEST(ReadAcceptedSignatureTest, TakesExactlyOneSigner) {
  AcceptedSignature signature;
  EXPECT_FALSE(ReadAcceptedSignature(nullptr, &signature));
  for (DWORD signers : {0u, 2u}) {
    CRYPT_PROVIDER_DATA data = {};
    data.csSigners = signers;
    EXPECT_FALSE(ReadAcceptedSignature(&data, &signature)) << signers;
  }
}

}  // namespace
}  // namespace config
