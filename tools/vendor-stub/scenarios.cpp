#include "scenarios.h"

namespace vendor_stub {

const std::vector<ScenarioInfo>& AllScenarios() {
  static const std::vector<ScenarioInfo> table = {
      {Scenario::kOk, "ok", 0, "success with version and package URL (also ids 0-9 and unknown)"},
      {Scenario::kUtf8Version, "utf8", 10, "success, version text with non-ASCII characters"},
      {Scenario::kRefused, "refused", 11, "\"success\": false"},
      {Scenario::kEmptyUrl, "empty-url", 12, "success with an empty \"url\""},
      {Scenario::kSuccessString, "success-string", 13, "\"success\" is the string \"true\""},
      {Scenario::kExtraMembers, "extra-members", 14, "success with extra members"},
      {Scenario::kWhitespace, "whitespace", 15, "good object surrounded by white space"},
      {Scenario::kHtmlError, "html", 16, "502 with an HTML error page"},
      {Scenario::kEmptyBody, "empty", 17, "200 with an empty body"},
      {Scenario::kTrailingGarbage, "trailing-garbage", 18, "good object followed by text"},
      {Scenario::kArrayRoot, "array", 19, "good object inside an array"},
      {Scenario::kHuge, "huge", 20, "good object padded to --huge-bytes"},
      {Scenario::kNulInside, "nul-inside", 21, "good object, a NUL byte, then 64 KiB more"},
      {Scenario::kSlow, "slow", 22, "good answer after --slow-ms"},
      {Scenario::kStall, "stall", 23, "no answer for --stall-seconds, then 504"},
      {Scenario::kStallBody, "stall-body", 24, "headers and half the answer, then nothing"},
      {Scenario::kEcho, "echo", 25, "JSON describing the request that arrived"},
      {Scenario::kTrickle, "trickle", 26, "white space then a good answer at 4 bytes/s (~75 s)"},
      {Scenario::kPackageChunked, "package-chunked", 30, "package sent chunked, no length"},
      {Scenario::kPackageRedirect5, "package-redirect-5", 31, "package behind 5 redirects"},
      {Scenario::kPackageRedirect6, "package-redirect-6", 32, "package behind 6 redirects"},
      {Scenario::kPackageMissing, "package-missing", 33, "package URL answers 404 (HTML)"},
      {Scenario::kPackageTruncated, "package-truncated", 34, "package cut off half-way"},
      {Scenario::kPackageDrip, "package-drip", 35, "package dripped by --drip-bytes"},
      {Scenario::kPackageStall, "package-stall", 36, "half the package, then --stall-seconds"},
      {Scenario::kPackageReset, "package-reset", 37, "half the package, then a reset"},
      {Scenario::kPackageNoRange, "package-ignores-range", 38,
       "package offers ranges, always sent whole"},
      {Scenario::kPackageNewEtag, "package-new-validator", 39,
       "package with a new ETag on every answer"},
      {Scenario::kSignedType, "signed-type", 40, "signed for another client type id"},
      {Scenario::kSignedVersion, "signed-version", 41, "version changed after signing"},
      {Scenario::kSignedUrl, "signed-url", 42, "url changed after signing (same package)"},
      {Scenario::kSignedSha256, "signed-sha256", 43, "sha256 changed after signing"},
      {Scenario::kSignedExpires, "signed-expires", 44, "expires changed after signing"},
      {Scenario::kSignedOtherKey, "signed-other-key", 45, "signed by another key"},
      {Scenario::kSignatureTruncated, "signature-truncated", 46, "signature of 126 hex digits"},
      {Scenario::kSignatureNotHex, "signature-not-hex", 47, "signature with a non-hex character"},
      {Scenario::kSignedMissing, "signed-missing", 48, "no sha256, expires or signature"},
      {Scenario::kSignedExpired, "signed-expired", 49, "signed, expired a minute ago"},
      {Scenario::kPackageChanged, "package-changed", 50, "signed; package served 1 byte changed"},
      {Scenario::kSha256Wrong, "sha256-wrong", 51, "unsigned, sha256 of other bytes"},
      {Scenario::kSha256Right, "sha256-right", 52, "unsigned, the package's sha256"},
  };
  return table;
}

std::optional<Scenario> ScenarioByName(std::string_view name) {
  for (const ScenarioInfo& info : AllScenarios()) {
    if (info.name == name) return info.scenario;
  }
  return std::nullopt;
}

Scenario ScenarioForClientType(int clientTypeId) {
  for (const ScenarioInfo& info : AllScenarios()) {
    if (info.clientTypeId == clientTypeId) return info.scenario;
  }
  return Scenario::kOk;
}

}  // namespace vendor_stub
