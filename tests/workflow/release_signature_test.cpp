// What a build with the vendor's key accepts of a version check answer, and what a build without
// one still checks. The answers are JSON as the service writes them, signed by the test key.
#include "workflow/release_signature.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "workflow/package_digest.h"
#include "workflow/version_answer.h"

namespace update {
namespace {

std::string KeyFile(const char* name) {
  std::ifstream file(std::string(UPDATE_TEST_KEY_DIR) + "/" + name);
  std::string hex;
  file >> hex;
  return hex;
}

constexpr std::int32_t kType = 3;
constexpr std::int64_t kNow = 1'800'000'000;
const std::string kSha = std::string(64, 'a');

// A signed answer's JSON; `edit` changes the signed members after the signature was made, and
// `withDirectory` signs a "directory_sha256" too.
std::string SignedAnswer(const std::string& secretKey, void (*edit)(PackageOffer&),
                         bool withDirectory = false) {
  PackageOffer offer{"2.0.1", "http://127.0.0.1/package/full", kSha, "1800000600", {}, {}};
  if (withDirectory) offer.directorySha256 = std::string(64, 'c');
  offer.signature = SignOffer(offer, kType, secretKey).value_or("");
  if (edit) edit(offer);
  std::string json =
      R"({"success":true,"version_number":")" + offer.version + R"(","url":")" + offer.url + '"';
  if (offer.sha256) json += R"(,"sha256":")" + *offer.sha256 + '"';
  if (offer.expires) json += R"(,"expires":)" + *offer.expires;
  if (offer.signature) json += R"(,"signature":")" + *offer.signature + '"';
  if (offer.directorySha256) json += R"(,"directory_sha256":")" + *offer.directorySha256 + '"';
  return json + "}";
}

TEST(ReleaseSignatureTest, AnswersAgainstABuildWithTheKey) {
  const std::string secret = KeyFile("release-test-key.secret");
  const std::string key = KeyFile("release-test-key.public");
  ASSERT_EQ(secret.size(), kSecretKeyHexLength);
  const ReleaseKeyPair other = MakeReleaseKeyPair();
  const struct {
    const char* what;
    std::string answer;
    std::int32_t type;
    OfferCheck expected;
  } rows[] = {
      {"good", SignedAnswer(secret, nullptr), kType, OfferCheck::kAccepted},
      {"type changed", SignedAnswer(secret, nullptr), kType + 1, OfferCheck::kWrongSignature},
      {"version changed", SignedAnswer(secret, [](PackageOffer& o) { o.version = "2.0.2"; }), kType,
       OfferCheck::kWrongSignature},
      {"url changed",
       SignedAnswer(secret, [](PackageOffer& o) { o.url = "http://127.0.0.1/package/full?x"; }),
       kType, OfferCheck::kWrongSignature},
      {"sha256 changed",
       SignedAnswer(secret, [](PackageOffer& o) { o.sha256 = std::string(64, 'b'); }), kType,
       OfferCheck::kWrongSignature},
      {"expires changed", SignedAnswer(secret, [](PackageOffer& o) { o.expires = "1800000601"; }),
       kType, OfferCheck::kWrongSignature},
      {"another key", SignedAnswer(other.secretHex, nullptr), kType, OfferCheck::kWrongSignature},
      {"signature truncated",
       SignedAnswer(secret, [](PackageOffer& o) { o.signature = o.signature->substr(0, 126); }),
       kType, OfferCheck::kMalformed},
      {"signature not hex", SignedAnswer(secret, [](PackageOffer& o) { (*o.signature)[7] = 'g'; }),
       kType, OfferCheck::kMalformed},
      {"no signature", SignedAnswer(secret, [](PackageOffer& o) { o.signature.reset(); }), kType,
       OfferCheck::kUnsigned},
      {"no sha256", SignedAnswer(secret, [](PackageOffer& o) { o.sha256.reset(); }), kType,
       OfferCheck::kUnsigned},
      {"no expires", SignedAnswer(secret, [](PackageOffer& o) { o.expires.reset(); }), kType,
       OfferCheck::kUnsigned},
      {"with a directory", SignedAnswer(secret, nullptr, true), kType, OfferCheck::kAccepted},
      {"directory changed",
       SignedAnswer(
           secret, [](PackageOffer& o) { o.directorySha256 = std::string(64, 'd'); }, true),
       kType, OfferCheck::kWrongSignature},
      {"directory dropped",
       SignedAnswer(
           secret, [](PackageOffer& o) { o.directorySha256.reset(); }, true),
       kType, OfferCheck::kWrongSignature},
      {"directory added",
       SignedAnswer(secret, [](PackageOffer& o) { o.directorySha256 = std::string(64, 'c'); }),
       kType, OfferCheck::kWrongSignature},
      {"directory malformed",
       SignedAnswer(
           secret, [](PackageOffer& o) { o.directorySha256 = "00"; }, true),
       kType, OfferCheck::kMalformed},
      {"expires a string",
       R"({"success":true,"url":"u","sha256":")" + kSha + R"(","expires":"1","signature":")" +
           std::string(128, '0') + R"("})",
       kType, OfferCheck::kMalformed},
      {"expires not an integer",
       R"({"success":true,"url":"u","sha256":")" + kSha + R"(","expires":1.8e9,"signature":")" +
           std::string(128, '0') + R"("})",
       kType, OfferCheck::kMalformed},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const std::optional<PackageOffer> offer = ReadVersionAnswer(row.answer);
    ASSERT_TRUE(offer) << row.answer;
    EXPECT_EQ(CheckOffer(*offer, row.type, key, kNow), row.expected);
  }
  // The same good answer, a second after it expired, and a signature by another key.
  const std::optional<PackageOffer> good = ReadVersionAnswer(SignedAnswer(secret, nullptr));
  EXPECT_EQ(CheckOffer(*good, kType, key, 1'800'000'600), OfferCheck::kAccepted);
  EXPECT_EQ(CheckOffer(*good, kType, key, 1'800'000'601), OfferCheck::kExpired);
  EXPECT_EQ(CheckOffer(*good, kType, other.publicHex, kNow), OfferCheck::kWrongSignature);
}

TEST(ReleaseSignatureTest, WithoutAKeyOnlyAPresentSha256IsChecked) {
  const struct {
    const char* answer;
    OfferCheck expected;
  } rows[] = {
      {R"({"success":true,"url":"u"})", OfferCheck::kAccepted},
      {R"({"success":true,"url":"u","signature":"not checked","expires":"x"})",
       OfferCheck::kAccepted},
      {R"({"success":true,"url":"u","sha256":"00"})", OfferCheck::kMalformed},
      {R"({"success":true,"url":"u","sha256":7})", OfferCheck::kMalformed},
      {R"({"success":true,"url":"u","directory_sha256":"00"})", OfferCheck::kMalformed},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.answer);
    EXPECT_EQ(CheckOffer(*ReadVersionAnswer(row.answer), kType, "", kNow), row.expected);
  }
}

TEST(PackageDigestTest, StreamedPiecesGiveTheDigestOfTheWhole) {
  PackageDigest digest;
  const std::string text = "abc";
  for (const char c : text) digest.Add(&c, 1);
  const std::string abc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  const std::string hex = digest.FinishHex();
  EXPECT_EQ(hex, abc);
  std::string upper = abc;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_TRUE(DigestMatches(hex, upper));
  EXPECT_FALSE(DigestMatches(hex, abc.substr(0, 63) + "e"));
  EXPECT_FALSE(DigestMatches(hex, ""));
  EXPECT_EQ(digest.FinishHex(),  // started again: the digest of nothing
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

}  // namespace
}  // namespace update
