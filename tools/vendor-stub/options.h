// Command line of vendor-stub.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "reset_plan.h"

namespace vendor_stub {

// A file added to the package under its own item name.
struct PackageAddition {
  std::string name;  // item name inside the archive, '/' between folders
  std::string path;  // the file on disk
};

struct Options {
  int port = 0;                  // 0: a free port, printed on standard output
  std::string portFile;          // the port is also written here (atomically) when given
  std::string reportFile;        // POST /log bodies are appended here, one per line
  std::string packageFile;       // served as the package; a generated payload otherwise
  std::size_t packageBytes = 0;  // nonzero: serve a generated zip archive of about this size
  std::vector<PackageAddition> packageAdditions;  // added to the generated or given archive
  bool indexItems = false;     // the archive served records its items' digests (release-sign index)
  std::string packageUrl;      // "url" of good answers; this stub's /package/full when empty
  std::string tlsCertificate;  // with tlsKey: serve HTTPS, PEM files
  std::string tlsKey;
  std::string signingKeyFile;  // a release-sign secret key file: good answers are signed
  std::string pacFile;         // served at /proxy.pac when given
  std::string versionNumber = "3.2.0.1";
  int idleSeconds = 300;  // ends after this long without a request
  int slowMs = 2000;
  int stallSeconds = 90;
  std::size_t hugeBytes = 4 * 1024 * 1024;
  std::size_t dripBytes = 4096;
  int dripIntervalMs = 50;
  std::vector<ResetPoint> resetAt;  // package transfers reaching these offsets are reset
};

// Parses argv. On a bad command line returns nothing and puts the reason in `error`; for
// --help returns nothing with `error` empty.
std::optional<Options> ParseOptions(int argc, char** argv, std::string& error);

std::string UsageText();

}  // namespace vendor_stub
