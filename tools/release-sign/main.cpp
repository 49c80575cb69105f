// release-sign: the vendor's side of signed version check answers. See kUsage.
#include <cerrno>
#include <cstdlib>
#include <initializer_list>
#include <iostream>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "commands.h"

namespace {

using release_sign::kBadCall;

constexpr char kUsage[] =
    "usage: release-sign keygen PREFIX\n"
    "         writes PREFIX.public and PREFIX.secret (owner only); overwrites neither\n"
    "       release-sign sign --secret-key FILE --client-type N --version V --url U\n"
    "                         --package FILE --expires-in SECONDS\n"
    "         prints the members to add to the answer:\n"
    "         \"sha256\":\"<hex>\",\"expires\":<now + SECONDS>,\"signature\":\"<hex>\"\n"
    "         and, for a package that records its items, \"directory_sha256\":\"<hex>\"\n"
    "       release-sign index --package FILE --out FILE\n"
    "         writes the package with each item's size and SHA-256 in its directory, so an\n"
    "         update can fetch only the items that changed; overwrites nothing\n"
    "       release-sign verify --public-key FILE --client-type N --answer FILE\n"
    "                           [--package FILE]\n"
    "         prints \"good\" (exit 0) or why the answer or package is refused (exit 1)\n"
    "Exit 2: bad arguments, or for verify a file that cannot be read or is malformed.\n";

using Flags = std::map<std::string, std::string, std::less<>>;

int Usage(const std::string& error) {
  std::cerr << "release-sign: " << error << "\n" << kUsage;
  return kBadCall;
}

// "--name value" pairs after the command; `optional` names may be left out.
std::optional<Flags> ParseFlags(int argc, char** argv, std::initializer_list<const char*> required,
                                std::initializer_list<const char*> optional, std::string& error) {
  Flags flags;
  for (int i = 2; i < argc; i += 2) {
    const std::string_view name = argv[i];
    bool known = false;
    for (const auto& names : {required, optional}) {
      for (const char* candidate : names) known = known || name == candidate;
    }
    if (!known) {
      error = "unknown option " + std::string(name);
      return std::nullopt;
    }
    if (i + 1 >= argc) {
      error = "missing value after " + std::string(name);
      return std::nullopt;
    }
    if (!flags.emplace(name, argv[i + 1]).second) {
      error = std::string(name) + " given twice";
      return std::nullopt;
    }
  }
  for (const char* name : required) {
    if (flags.find(name) == flags.end()) {
      error = "missing " + std::string(name);
      return std::nullopt;
    }
  }
  return flags;
}

bool ParseInteger(const Flags& flags, const char* name, long long min, long long max,
                  long long& value, std::string& error) {
  const std::string& text = flags.find(name)->second;
  char* end = nullptr;
  errno = 0;
  value = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno == ERANGE || value < min || value > max) {
    error = "bad value for " + std::string(name) + ": " + text;
    return false;
  }
  return true;
}

bool ParseClientType(const Flags& flags, std::int32_t& id, std::string& error) {
  long long value = 0;
  if (!ParseInteger(flags, "--client-type", std::numeric_limits<std::int32_t>::min(),
                    std::numeric_limits<std::int32_t>::max(), value, error)) {
    return false;
  }
  id = static_cast<std::int32_t>(value);
  return true;
}

int RunSign(int argc, char** argv) {
  std::string error;
  const std::optional<Flags> flags = ParseFlags(
      argc, argv,
      {"--secret-key", "--client-type", "--version", "--url", "--package", "--expires-in"}, {},
      error);
  release_sign::SignRequest request;
  long long expiresIn = 0;
  if (!flags || !ParseClientType(*flags, request.clientTypeId, error) ||
      !ParseInteger(*flags, "--expires-in", std::numeric_limits<long long>::min(),
                    std::numeric_limits<long long>::max(), expiresIn, error)) {
    return Usage(error);
  }
  request.secretKeyFile = flags->at("--secret-key");
  request.version = flags->at("--version");
  request.url = flags->at("--url");
  request.packageFile = flags->at("--package");
  request.expiresIn = expiresIn;
  // The installer refuses an answer without a package URL, signed or not.
  if (request.url.empty()) return Usage("--url may not be empty");
  return release_sign::Sign(request);
}

int RunVerify(int argc, char** argv) {
  std::string error;
  const std::optional<Flags> flags =
      ParseFlags(argc, argv, {"--public-key", "--client-type", "--answer"}, {"--package"}, error);
  release_sign::VerifyRequest request;
  if (!flags || !ParseClientType(*flags, request.clientTypeId, error)) return Usage(error);
  request.publicKeyFile = flags->at("--public-key");
  request.answerFile = flags->at("--answer");
  if (const auto package = flags->find("--package"); package != flags->end()) {
    request.packageFile = package->second;
  }
  return release_sign::Verify(request);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view command = argc > 1 ? argv[1] : "";
  if (command == "--help" || command == "-h") {
    std::cout << kUsage;
    return 0;
  }
  if (command == "keygen") {
    return argc == 3 && argv[2][0] != '\0' ? release_sign::Keygen(argv[2])
                                           : Usage("keygen takes one PREFIX");
  }
  if (command == "sign") return RunSign(argc, argv);
  if (command == "verify") return RunVerify(argc, argv);
  if (command == "index") {
    std::string error;
    const std::optional<Flags> flags = ParseFlags(argc, argv, {"--package", "--out"}, {}, error);
    return flags ? release_sign::Index(flags->at("--package"), flags->at("--out")) : Usage(error);
  }
  return Usage(command.empty() ? "no command" : "unknown command " + std::string(command));
}
