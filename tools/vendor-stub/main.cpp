// vendor-stub: stands in for the vendor's web service on 127.0.0.1. See UsageText().
#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>

#include <pthread.h>

#include "options.h"
#include "stub_server.h"

namespace {

using vendor_stub::Options;

// A deterministic stand-in package when none is given: bytes that do not compress.
std::string GeneratedPackage() {
  std::string bytes(256 * 1024, '\0');
  std::uint32_t state = 0x2545F491u;
  for (char& byte : bytes) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

bool LoadPackage(const Options& options, std::string& package) {
  if (options.packageFile.empty()) {
    package = GeneratedPackage();
    return true;
  }
  std::ifstream file(options.packageFile, std::ios::binary);
  if (!file) return false;
  package.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

// Written beside and renamed into place, so a reader never sees a half-written port.
bool WritePortFile(const std::string& path, int port) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream file(temporary, std::ios::trunc);
    file << port << '\n';
    if (!file.flush()) return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const std::optional<Options> options = vendor_stub::ParseOptions(argc, argv, error);
  if (!options) {
    if (!error.empty()) std::cerr << "vendor-stub: " << error << "\n\n";
    (error.empty() ? std::cout : std::cerr) << vendor_stub::UsageText();
    return error.empty() ? 0 : 2;
  }
  std::string package;
  if (!LoadPackage(*options, package)) {
    std::cerr << "vendor-stub: cannot read package " << options->packageFile << "\n";
    return 1;
  }

  // The stop signals are taken by one thread with sigwait; every other thread, the server's
  // workers included, inherits this mask and never sees them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  vendor_stub::StubServer server(*options, std::move(package));
  const int port = server.Start();
  if (port <= 0) return 1;
  std::cout << port << std::endl;
  std::cerr << "vendor-stub: listening on http://127.0.0.1:" << port << "\n";
  if (!options->portFile.empty() && !WritePortFile(options->portFile, port)) {
    std::cerr << "vendor-stub: cannot write port file " << options->portFile << "\n";
    return 1;
  }

  std::atomic<bool> ended{false};
  std::thread signalWaiter([&server, &ended, stopSignals] {
    int signal = 0;
    if (sigwait(&stopSignals, &signal) == 0 && !ended) {
      std::fprintf(stderr, "vendor-stub: signal %d, ending\n", signal);
      server.Stop();
    }
  });
  const bool served = server.Run();
  // Ended by the idle limit: wake the waiter with one of its own signals (a no-op if a signal
  // already ended it).
  ended = true;
  pthread_kill(signalWaiter.native_handle(), SIGTERM);
  signalWaiter.join();
  return served ? 0 : 1;
}
