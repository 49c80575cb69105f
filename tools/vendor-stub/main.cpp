// vendor-stub: stands in for the vendor's web service on 127.0.0.1. See UsageText().
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <thread>

#include <pthread.h>

#include "options.h"
#include "package_builder.h"
#include "package_file.h"
#include "stub_server.h"
#include "work_folder.h"

namespace {

using vendor_stub::Options;

// Makes (or finds) the package and opens it for serving.
bool PreparePackage(const Options& options, const vendor_stub::WorkFolder& work,
                    vendor_stub::PackageFile& package, std::string& error) {
  const auto start = std::chrono::steady_clock::now();
  std::filesystem::path path;
  if (!vendor_stub::BuildPackage(vendor_stub::PackagePlanOf(options), work.path(), path, error) ||
      !package.Open(path.string(), error)) {
    return false;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr, "vendor-stub: package %s, %llu bytes, ready in %.2f s\n", path.c_str(),
               static_cast<unsigned long long>(package.size()), seconds);
  return true;
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
  vendor_stub::WorkFolder work;
  vendor_stub::PackageFile package;
  if (!work.Create(error) || !PreparePackage(*options, work, package, error)) {
    std::cerr << "vendor-stub: " << error << "\n";
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
  std::cerr << "vendor-stub: listening on " << server.BaseUrl() << "\n";
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
