#include "signed_answers.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "workflow/release_signature.h"

namespace vendor_stub {
namespace {

using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

void WriteString(JsonWriter& writer, const std::string& text) {
  writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
}

// Another client type id than `id`, without overflow.
std::int32_t OtherClientType(std::int32_t id) {
  return id ^ 1;
}

std::string WithQuery(const std::string& url, const char* query) {
  return url + (url.find('?') == std::string::npos ? "?" : "&") + query;
}

}  // namespace

void Sign(update::PackageOffer& offer, std::int32_t clientTypeId, const PackageDigests& digests,
          std::int64_t expires, const std::string& secretHex) {
  offer.sha256 = digests.whole;
  offer.directorySha256 = digests.directory;
  offer.expires = std::to_string(expires);
  offer.signature = update::SignOffer(offer, clientTypeId, secretHex).value_or("");
}

std::optional<update::PackageOffer> SigningScenarioOffer(Scenario scenario,
                                                         const AnswerBasis& basis,
                                                         const SigningKeys& keys,
                                                         const PackageDigests& digests) {
  update::PackageOffer offer;
  offer.version = basis.version;
  offer.url = basis.packageUrl;
  if (scenario == Scenario::kSha256Wrong || scenario == Scenario::kSha256Right) {
    offer.sha256 = scenario == Scenario::kSha256Right ? digests.whole : digests.changed;
    return offer;
  }
  if (keys.secretHex.empty()) return std::nullopt;
  const std::int64_t expires = basis.now + kSignedLifetime;
  const auto sign = [&](std::int32_t clientTypeId, std::int64_t when, const std::string& key) {
    Sign(offer, clientTypeId, digests, when, key);
  };
  switch (scenario) {
    case Scenario::kSignedType:
      sign(OtherClientType(basis.clientTypeId), expires, keys.secretHex);
      break;
    case Scenario::kSignedVersion:
      sign(basis.clientTypeId, expires, keys.secretHex);
      offer.version += ".1";
      break;
    case Scenario::kSignedUrl:
      sign(basis.clientTypeId, expires, keys.secretHex);
      offer.url = WithQuery(offer.url, "x=1");  // still the package: only the signature tells
      break;
    case Scenario::kSignedSha256:
      sign(basis.clientTypeId, expires, keys.secretHex);
      offer.sha256 = digests.changed;
      break;
    case Scenario::kSignedExpires:
      sign(basis.clientTypeId, expires, keys.secretHex);
      offer.expires = std::to_string(expires + 1);
      break;
    case Scenario::kSignedOtherKey:
      sign(basis.clientTypeId, expires, keys.otherSecretHex);
      break;
    case Scenario::kSignatureTruncated:
      sign(basis.clientTypeId, expires, keys.secretHex);
      offer.signature->resize(update::kSignatureHexLength - 2);
      break;
    case Scenario::kSignatureNotHex:
      sign(basis.clientTypeId, expires, keys.secretHex);
      (*offer.signature)[update::kSignatureHexLength / 2] = 'g';
      break;
    case Scenario::kSignedExpired:
      sign(basis.clientTypeId, basis.now - 60, keys.secretHex);
      break;
    case Scenario::kPackageChanged:
      offer.url = basis.changedUrl;
      sign(basis.clientTypeId, expires, keys.secretHex);
      break;
    default:  // kSignedMissing: the good answer without the signing members
      break;
  }
  return offer;
}

std::string AnswerJson(const update::PackageOffer& offer) {
  rapidjson::StringBuffer buffer;
  JsonWriter writer(buffer);
  writer.StartObject();
  writer.Key("success");
  writer.Bool(true);
  writer.Key("version_number");
  WriteString(writer, offer.version);
  writer.Key("url");
  WriteString(writer, offer.url);
  if (offer.sha256) {
    writer.Key("sha256");
    WriteString(writer, *offer.sha256);
  }
  if (offer.expires) {
    writer.Key("expires");
    writer.RawValue(offer.expires->data(), offer.expires->size(), rapidjson::kNumberType);
  }
  if (offer.signature) {
    writer.Key("signature");
    WriteString(writer, *offer.signature);
  }
  if (offer.directorySha256) {
    writer.Key("directory_sha256");
    WriteString(writer, *offer.directorySha256);
  }
  writer.EndObject();
  return std::string(buffer.GetString(), buffer.GetSize());
}

}  // namespace vendor_stub
