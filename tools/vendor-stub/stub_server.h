// The stand-in service: routes, answers and its own lifetime (stop request or idle limit).
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "options.h"
#include "package_digests.h"
#include "package_file.h"
#include "scenarios.h"
#include "signed_answers.h"
#include "stats.h"

namespace vendor_stub {

class StubServer {
 public:
  // Serves HTTPS when the options name a certificate and key, HTTP otherwise.
  StubServer(Options options, PackageFile package);
  StubServer(const StubServer&) = delete;
  StubServer& operator=(const StubServer&) = delete;

  // Reads the signing key, opens the report file and binds 127.0.0.1 on the configured port (0: any
  // free one). Returns the port, or -1 after a message on standard error.
  int Start();

  // "http://127.0.0.1:PORT", or "https://localhost:PORT" (the certificates name localhost).
  std::string BaseUrl() const;

  // Serves until Stop() is called or no request has come for the idle limit. False when
  // serving failed.
  bool Run();

  // Ends Run(): wakes every waiting answer and closes the listening socket. Any thread.
  void Stop();

 private:
  using Clock = std::chrono::steady_clock;

  // How a package route with a length ends.
  enum class Ending {
    kWhole,         // the whole package
    kDrip,          // the whole package in small pieces with pauses
    kCloseHalfway,  // half, then an orderly close
    kStallHalfway,  // half, then nothing until the stall time is over, then a close
    kResetHalfway,  // half, then a reset
  };

  void AddRoutes();
  void AddPackageRoutes();
  void Answer(Scenario scenario, std::int32_t clientTypeId, const httplib::Request& request,
              httplib::Response& response);
  void AnswerSigning(Scenario scenario, std::int32_t clientTypeId, httplib::Response& response);
  // `changed`: the package with one byte changed (ChangedByteOffset).
  void ServePackage(const httplib::Request& request, httplib::Response& response, Ending ending,
                    bool changed = false);
  void ServePackageChunked(httplib::Response& response);
  // Sends `length` bytes of the package from `offset` through `sink`, counting them.
  bool SendPiece(httplib::DataSink& sink, std::vector<char>& buffer, std::uint64_t offset,
                 std::size_t length, bool changed = false);
  void AppendReport(const std::string& body, httplib::Response& response);
  // A good answer whose "url" is `url`; signed for `clientTypeId` when the stub has a key.
  std::string GoodAnswer(const std::string& url, std::int32_t clientTypeId);
  std::string GoodAnswer(update::PackageOffer offer, std::int32_t clientTypeId);
  // Taken once, on first use (at start when the stub signs).
  const PackageDigests& Digests();
  // "url" of good answers: --package-url, or this stub's /package/full.
  std::string PackageUrl() const;

  // Waits up to `duration` for Stop(); true when stopping. Counts as activity while it waits.
  bool WaitForStop(Clock::duration duration);
  void Touch();
  void WatchIdle();

  const Options m_options;
  const PackageFile m_package;
  int m_port = -1;
  std::unique_ptr<httplib::Server> m_server;
  Stats m_stats;
  SigningKeys m_keys;
  std::once_flag m_digestsOnce;
  PackageDigests m_digests;

  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_stopping = false;
  bool m_servingEnded = false;
  std::atomic<Clock::rep> m_lastActivity;

  std::mutex m_reportMutex;
  std::ofstream m_report;
};

}  // namespace vendor_stub
