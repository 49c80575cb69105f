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
  return offer;
}

}  // namespace update
