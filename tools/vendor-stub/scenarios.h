// What the stand-in service answers to a version check: one scenario per way the real service
// can answer or misbehave. A request picks one by its client type id, or by name through the
// path prefix "/scenario/<name>" in front of the API path.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vendor_stub {

enum class Scenario {
  kOk,                // success, version and the package at /package/full (or --package-url)
  kUtf8Version,       // success with a version text full of non-ASCII characters
  kRefused,           // "success": false
  kEmptyUrl,          // success with "url": ""
  kSuccessString,     // "success": "true", a string instead of the literal
  kExtraMembers,      // success with a code, a message and nested members besides the three
  kWhitespace,        // a good object wrapped in spaces, tabs and line breaks
  kHtmlError,         // status 502 with an HTML error page
  kEmptyBody,         // status 200 with an empty body
  kTrailingGarbage,   // a good object followed by text
  kArrayRoot,         // the good object inside an array
  kHuge,              // a good object padded to the stub's huge-answer size
  kNulInside,         // a good object, a NUL byte, then a long tail
  kSlow,              // a good answer after the stub's slow delay
  kStall,             // no answer at all until the stall time is over
  kStallBody,         // headers and half of a good answer, then nothing
  kTrickle,           // white space, then a good answer, 4 bytes a second for about 75 s
  kEcho,              // describes the request received: method, content type(s), body
  kPackageChunked,    // success; the package is sent chunked, without a length
  kPackageRedirect5,  // success; the package is reached through 5 redirects
  kPackageRedirect6,  // success; the package is behind 6 redirects
  kPackageMissing,    // success; the package URL answers 404 with an HTML page
  kPackageTruncated,  // success; the package is cut off half-way
  kPackageDrip,       // success; the package arrives slowly in small pieces
  kPackageStall,      // success; half the package, then nothing for the stall time
  kPackageReset,      // success; half the package, then the connection is reset
  kPackageNoRange,    // success; the package route offers ranges, yet always sends it whole
  kPackageNewEtag,    // success; the package route names new validators on every answer
  // Signing scenarios (signed_answers.h): a correctly signed answer with one thing wrong. All
  // but the last two need the stub's signing key.
  kSignedType,          // signed for another client type id
  kSignedVersion,       // "version_number" changed after signing
  kSignedUrl,           // "url" changed after signing (the same package, with a query)
  kSignedSha256,        // "sha256" changed after signing
  kSignedExpires,       // "expires" changed after signing
  kSignedOtherKey,      // signed by a key made at start, not the stub's
  kSignatureTruncated,  // "signature" two hex digits short
  kSignatureNotHex,     // "signature" of the right length with one character not hex
  kSignedMissing,       // the three signing members absent
  kSignedExpired,       // correctly signed, "expires" a minute ago
  kPackageChanged,      // correctly signed; its package route serves one byte changed
  kSha256Wrong,         // unsigned, "sha256" of other bytes
  kSha256Right,         // unsigned, the package's "sha256"
};

struct ScenarioInfo {
  Scenario scenario;
  std::string_view name;
  int clientTypeId;  // the client type id that selects it
  std::string_view description;
};

const std::vector<ScenarioInfo>& AllScenarios();

std::optional<Scenario> ScenarioByName(std::string_view name);

// Client type ids without a scenario of their own (0 to 9 among them) get kOk.
Scenario ScenarioForClientType(int clientTypeId);

}  // namespace vendor_stub
