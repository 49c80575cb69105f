// The stand-in service: routes, answers and its own lifetime (stop request or idle limit).
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "options.h"
#include "package_digests.h"
#include "package_file.h"
#include "reset_plan.h"
#include "scenarios.h"
#include "signed_answers.h"
#include "stats.h"

namespace vendor_stub {

// Sets `response` to the HTML error page of `status`, as a web server sends one.
void SetHtmlPage(httplib::Response& response, int status, const std::string& title);

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

  // How a package route that serves the package answers (package_routes.cpp).
  struct PackageAnswer {
    Ending ending = Ending::kWhole;
    std::optional<std::uint64_t> changedAt;  // this byte is sent changed (ChangedByte)
    bool announcesChange = false;            // the validators of the changed package
    bool servesRanges = true;                // false: offers ranges, but answers every Range whole
    bool freshValidators = false;            // another ETag and Last-Modified on every answer
    bool offersRanges = true;  // false: no validators, no Accept-Ranges, Range ignored
    // Both item counts of the end record sent as this, the directory's bytes as they are.
    std::optional<std::uint16_t> endCount;
    // The end record's offset of the directory sent as this.
    std::optional<std::uint32_t> endOffset;
  };
  using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;
  struct PackageRoute {
    std::regex pattern;
    Handler serve;  // counts the request and answers it
  };

  void AddRoutes();
  void AddPackageRoutes();
  void AddPackageRoute(const char* pattern, Handler serve);
  // Sends a request that cpp-httplib refused for its Range to the package route of its path.
  bool ServeRefusedRange(const httplib::Request& request, httplib::Response& response);
  void Answer(Scenario scenario, std::int32_t clientTypeId, const httplib::Request& request,
              httplib::Response& response);
  void AnswerSigning(Scenario scenario, std::int32_t clientTypeId, httplib::Response& response);
  // Honours Range and If-Range as `how` says; ends as `how.ending` says, counted in package
  // offsets.
  void ServePackage(const httplib::Request& request, httplib::Response& response,
                    PackageAnswer how);
  void ServePackageChunked(const httplib::Request& request, httplib::Response& response);
  // --reset-at: true when the transfer at `offset` is to be reset there, which is done; otherwise
  // `piece` is cut short so that it ends at the next offset.
  bool ResetAt(std::uint64_t offset, int localPort, int remotePort, std::size_t& piece);
  void ResetTransfer(int localPort, int remotePort);
  // Sends `length` bytes of the package from `offset` through `sink`, counting them.
  // `how` may change some of its bytes (changedAt, endCount, endOffset).
  bool SendPiece(httplib::DataSink& sink, std::vector<char>& buffer, std::uint64_t offset,
                 std::size_t length, const PackageAnswer* how = nullptr, bool completes = true);
  void AppendReport(const std::string& body, httplib::Response& response);
  // A good answer whose "url" is `url`; signed for `clientTypeId` when the stub has a key.
  std::string GoodAnswer(const std::string& url, std::int32_t clientTypeId);
  std::string GoodAnswer(update::PackageOffer offer, std::int32_t clientTypeId);
  // Taken once, at start: signed answers and the validators of the package routes carry them.
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
  std::string m_pacScript;  // of --pac-file
  std::once_flag m_digestsOnce;
  PackageDigests m_digests;
  ResetPlan m_resets;
  std::atomic<std::uint64_t> m_validatorSerial{0};
  std::vector<PackageRoute> m_packageRoutes;

  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_stopping = false;
  bool m_servingEnded = false;
  std::atomic<Clock::rep> m_lastActivity;

  std::mutex m_reportMutex;
  std::ofstream m_report;
};

}  // namespace vendor_stub
