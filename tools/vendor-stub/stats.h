// What the stub has received and sent, for tests to read back through GET /stats.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vendor_stub {

class Stats {
 public:
  void RecordVersionCheck(const std::string& path, const std::string& body);
  void RecordReport(const std::string& body);
  // `range`: the request's Range header, when it has one.
  void RecordPackageRequest(const std::string& path, const std::optional<std::string>& range);
  // `completes`: these are the last bytes of the package, which a transfer has now reached.
  void AddPackageBytes(std::uint64_t bytes, bool completes);
  // Undoes AddPackageBytes for bytes that could not be sent after all.
  void TakeBackPackageBytes(std::uint64_t bytes, bool completes);
  void Reset();

  // {"version_check_count", "last_version_check_body" (null before the first), "version_checks":
  // [{"path", "body"}],
  //  "report_count", "reports": [body], "package_requests": {path: count},
  //  "package_bytes_sent", "packages_completed" (transfers that reached the package's end),
  //  "last_package_ms": from the last package request to its last byte, 0 before one is whole,
  //  "range_requests": package requests with a Range header, "last_range": the last one's
  //  Range (null before the first)}
  std::string Json() const;

 private:
  struct VersionCheck {
    std::string path;
    std::string body;
  };

  mutable std::mutex m_mutex;
  std::uint64_t m_versionCheckCount = 0;
  std::optional<std::string> m_lastVersionCheckBody;
  std::vector<VersionCheck> m_versionChecks;
  std::uint64_t m_reportCount = 0;
  std::vector<std::string> m_reports;
  std::map<std::string, std::uint64_t> m_packageRequests;
  std::uint64_t m_packageBytesSent = 0;
  std::uint64_t m_packagesCompleted = 0;
  std::chrono::steady_clock::time_point m_lastPackageRequest;
  std::uint64_t m_lastPackageMs = 0;
  std::uint64_t m_rangeRequests = 0;
  std::optional<std::string> m_lastRange;
};

}  // namespace vendor_stub
