#include "config/module_trust.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "trust_fixtures.h"

namespace config {
namespace {

using namespace trust_fixtures;

const char kSha1RsaOid[] = "1.2.840.113549.1.1.5";

TEST(IsAbsolutePathTest, AcceptsDriveAndUncPaths) {
  for (const wchar_t* path : {L"C:\\setup.exe", L"z:/setup.exe", L"\\\\server\\share\\a.exe",
                              L"//server/a.exe", L"\\/a", L"C:\\"}) {
    EXPECT_TRUE(IsAbsolutePath(path)) << "rejected: " << testing::PrintToString(path);
  }
}

TEST(IsAbsolutePathTest, RejectsRelativeAndDriveRelativePaths) {
  for (const wchar_t* path : {L"", L"setup.exe", L"C:setup.exe", L"C:", L"\\setup.exe",
                              L"1:\\setup.exe", L".\\setup.exe", L"CC:\\a"}) {
    EXPECT_FALSE(IsAbsolutePath(path)) << "accepted: " << testing::PrintToString(path);
  }
}

TEST(ParseTrustedJsonTest, ReadsTheListTrustToolWrites) {
  TrustedCertificateSet trusted;
  ASSERT_TRUE(ParseTrustedJson(std::string(kTrustedJson, kTrustedJsonSize), &trusted));
  EXPECT_EQ(trusted.size(), 2u);
}

TEST(ParseTrustedJsonTest, DecodesIdsAndIgnoresOtherMembersAndDuplicates) {
  TrustedCertificateSet trusted;
  ASSERT_TRUE(ParseTrustedJson(R"({"trusted_info": {"certificates": [
      {"id": "AQID", "name": "x"}, {"id": "/w=="}, {"id": "AQID"}], "other": 1}})",
                               &trusted));
  EXPECT_EQ(trusted, (TrustedCertificateSet{"\x01\x02\x03", "\xff"}));
}

TEST(ParseTrustedJsonTest, SkipsBadElementsButKeepsTheOthers) {
  TrustedCertificateSet trusted;
  ASSERT_TRUE(ParseTrustedJson(R"({"trusted_info": {"certificates": [
      {"id": "not base64"}, {"id": 5}, "AQID", {"name": "AQID"}, null, {"id": "BAUG"}]}})",
                               &trusted));
  EXPECT_EQ(trusted, (TrustedCertificateSet{"\x04\x05\x06"}));
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

TEST(BuildCertificatePairIdTest, ReversesEachLittleEndianSerial) {
  EXPECT_EQ(BuildCertificatePairId("\x03\x02\x01", "\x06\x05"), "\x01\x02\x03\x05\x06");
}

// Certificates of the test PKI held as the platform's provider data holds the
// signer and chain of one verified signature.
class ProviderData {
 public:
  ProviderData(const char* signer_der, size_t signer_size, size_t signer_count = 1,
               size_t chain_length = 2) {
    certificates_[0] = Context(signer_der, signer_size);
    certificates_[1] = Context(kRootDer, kRootDerSize);
    for (size_t i = 0; i < 2; ++i) {
      chain_[i].cbStruct = sizeof(chain_[i]);
      chain_[i].pCert = certificates_[i];
    }
    for (CRYPT_PROVIDER_SGNR& signer : signers_) {
      signer.cbStruct = sizeof(signer);
      signer.csCertChain = static_cast<DWORD>(chain_length);
      signer.pasCertChain = chain_;
    }
    data_.cbStruct = sizeof(data_);
    data_.csSigners = static_cast<DWORD>(signer_count);
    data_.pasSigners = signers_;
  }
  ~ProviderData() {
    for (PCCERT_CONTEXT certificate : certificates_) ::CertFreeCertificateContext(certificate);
  }
  ProviderData(const ProviderData&) = delete;
  ProviderData& operator=(const ProviderData&) = delete;

  CRYPT_PROVIDER_DATA* get() { return &data_; }

 private:
  static PCCERT_CONTEXT Context(const char* der, size_t size) {
    return ::CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der),
                                          static_cast<DWORD>(size));
  }

  PCCERT_CONTEXT certificates_[2] = {};
  CRYPT_PROVIDER_CERT chain_[2] = {};
  CRYPT_PROVIDER_SGNR signers_[2] = {};
  CRYPT_PROVIDER_DATA data_ = {};
};

AcceptedSignature SignatureOf(const char* signer_der, size_t signer_size) {
  ProviderData data(signer_der, signer_size);
  AcceptedSignature signature;
  EXPECT_TRUE(ReadAcceptedSignature(data.get(), &signature));
  return signature;
}

TEST(ReadAcceptedSignatureTest, ReadsSerialPairAndAlgorithmOfRealCertificates) {
  const AcceptedSignature sha1 = SignatureOf(kSha1ListedDer, kSha1ListedDerSize);
  // Root serial 0x51A2B3C4D5E601, signer 0x0A1B2C3D01.
  EXPECT_EQ(sha1.id, std::string("\x51\xA2\xB3\xC4\xD5\xE6\x01\x0A\x1B\x2C\x3D\x01", 12));
  EXPECT_EQ(sha1.algorithm, kSha1RsaOid);
  const AcceptedSignature sha256 = SignatureOf(kSha256ListedDer, kSha256ListedDerSize);
  // A serial with its high bit set keeps the leading zero byte of its encoding.
  EXPECT_EQ(sha256.id, std::string("\x51\xA2\xB3\xC4\xD5\xE6\x01\x00\x8A\x1B\x2C\x3D\x02", 13));
  EXPECT_EQ(sha256.algorithm, kSha256RsaOid);
}

TEST(ReadAcceptedSignatureTest, PassesOverTwoSignersOrAChainOfOne) {
  AcceptedSignature signature;
  ProviderData two_signers(kSha1ListedDer, kSha1ListedDerSize, 2, 2);
  EXPECT_FALSE(ReadAcceptedSignature(two_signers.get(), &signature));
  ProviderData no_signer(kSha1ListedDer, kSha1ListedDerSize, 0, 2);
  EXPECT_FALSE(ReadAcceptedSignature(no_signer.get(), &signature));
  ProviderData short_chain(kSha1ListedDer, kSha1ListedDerSize, 1, 1);
  EXPECT_FALSE(ReadAcceptedSignature(short_chain.get(), &signature));
  EXPECT_FALSE(ReadAcceptedSignature(nullptr, &signature));
}

// Wine's WinVerifyTrust verifies the primary signature whatever index is
// asked, so the walk over dual signatures is decided here, on the pairs and
// algorithms of the real test certificates and the list trust_tool made.
class TrustDecisionTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ParseTrustedJson(std::string(kTrustedJson, kTrustedJsonSize), &trusted_));
  }

  bool Decide(std::initializer_list<AcceptedSignature> accepted) {
    TrustDecision decision(trusted_);
    for (const AcceptedSignature& signature : accepted) {
      if (decision.Add(signature)) return true;
    }
    return decision.trusted();
  }

  TrustedCertificateSet trusted_;
  const AcceptedSignature sha1_listed_ = SignatureOf(kSha1ListedDer, kSha1ListedDerSize);
  const AcceptedSignature sha256_listed_ = SignatureOf(kSha256ListedDer, kSha256ListedDerSize);
  const AcceptedSignature sha1_unlisted_ = SignatureOf(kSha1UnlistedDer, kSha1UnlistedDerSize);
  const AcceptedSignature sha256_unlisted_ =
      SignatureOf(kSha256UnlistedDer, kSha256UnlistedDerSize);
};

TEST_F(TrustDecisionTest, SingleListedSignatureOfEitherAlgorithmIsTrusted) {
  EXPECT_TRUE(Decide({sha1_listed_}));
  EXPECT_TRUE(Decide({sha256_listed_}));
}

TEST_F(TrustDecisionTest, UnlistedOrNoSignatureIsNotTrusted) {
  EXPECT_FALSE(Decide({sha1_unlisted_}));
  EXPECT_FALSE(Decide({sha256_unlisted_}));
  EXPECT_FALSE(Decide({}));
}

TEST_F(TrustDecisionTest, ListedSha1WithUnlistedSha256IsNotTrustedInEitherOrder) {
  EXPECT_FALSE(Decide({sha1_listed_, sha256_unlisted_}));
  EXPECT_FALSE(Decide({sha256_unlisted_, sha1_listed_}));
}

TEST_F(TrustDecisionTest, UnlistedSha1WithListedSha256IsTrustedInEitherOrder) {
  EXPECT_TRUE(Decide({sha1_unlisted_, sha256_listed_}));
  EXPECT_TRUE(Decide({sha256_listed_, sha1_unlisted_}));
}

TEST_F(TrustDecisionTest, AnyListedSha1CountsWhenNoSha256IsSeen) {
  EXPECT_TRUE(Decide({sha1_listed_, sha1_unlisted_}));
  EXPECT_TRUE(Decide({sha1_unlisted_, sha1_listed_}));
}

TEST_F(TrustDecisionTest, ListedSha256SettlesAtOnceWhateverCameBefore) {
  TrustDecision decision(trusted_);
  EXPECT_FALSE(decision.Add(sha256_unlisted_));
  EXPECT_FALSE(decision.Add(sha1_listed_));
  EXPECT_TRUE(decision.Add(sha256_listed_));
}

TEST_F(TrustDecisionTest, EmptyListTrustsNothing) {
  const TrustedCertificateSet empty;
  TrustDecision decision(empty);
  EXPECT_FALSE(decision.Add(sha256_listed_));
  EXPECT_FALSE(decision.Add(sha1_listed_));
  EXPECT_FALSE(decision.trusted());
}

}  // namespace
}  // namespace config
