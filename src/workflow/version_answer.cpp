#include "workflow/version_answer.h"

#include <rapidjson/document.h>

namespace update {
namespace {

// A string member up to its first NUL; empty when absent or not a string.
std::string StringMember(const rapidjson::Value& object, const char* name) {
  const auto member = object.FindMember(name);
  if (member == object.MemberEnd() || !member->value.IsString()) return {};
  const std::string_view text(member->value.GetString(), member->value.GetStringLength());
  return std::string(text.substr(0, text.find('\0')));
}

std::optional<std::string> OptionalString(const rapidjson::Value& object, const char* name) {
  const auto member = object.FindMember(name);
  if (member == object.MemberEnd()) return std::nullopt;
  if (!member->value.IsString()) return std::string();
  return std::string(member->value.GetString(), member->value.GetStringLength());
}

std::optional<std::string> OptionalInteger(const rapidjson::Value& object, const char* name) {
  const auto member = object.FindMember(name);
  if (member == object.MemberEnd()) return std::nullopt;
  if (!member->value.IsInt64()) return std::string();
  return std::to_string(member->value.GetInt64());
}

}  // namespace

std::optional<PackageOffer> ReadVersionAnswer(std::string_view answer) {
  rapidjson::Document document;
  document.Parse(answer.data(), answer.size());
  if (document.HasParseError() || !document.IsObject()) return std::nullopt;
  const auto success = document.FindMember("success");
  if (success == document.MemberEnd() || !success->value.IsTrue()) return std::nullopt;
  PackageOffer offer;
  offer.version = StringMember(document, "version_number");
  offer.url = StringMember(document, "url");
  if (offer.url.empty()) return std::nullopt;
  offer.sha256 = OptionalString(document, "sha256");
  offer.expires = OptionalInteger(document, "expires");
  offer.signature = OptionalString(document, "signature");
  offer.directorySha256 = OptionalString(document, "directory_sha256");
  return offer;
}

}  // namespace update
