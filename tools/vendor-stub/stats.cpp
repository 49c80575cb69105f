#include "stats.h"

#include <algorithm>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace vendor_stub {
namespace {

using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

// Bodies are kept for reading back; past this many the counts go on alone.
constexpr std::size_t kKeptBodies = 1000;

void WriteString(JsonWriter& writer, const std::string& text) {
  writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
}

}  // namespace

void Stats::RecordVersionCheck(const std::string& path, const std::string& body) {
  std::lock_guard<std::mutex> lock(m_mutex);
  ++m_versionCheckCount;
  m_lastVersionCheckBody = body;
  if (m_versionChecks.size() < kKeptBodies) m_versionChecks.push_back({path, body});
}

void Stats::RecordReport(const std::string& body) {
  std::lock_guard<std::mutex> lock(m_mutex);
  ++m_reportCount;
  if (m_reports.size() < kKeptBodies) m_reports.push_back(body);
}

void Stats::RecordPackageRequest(const std::string& path, const std::optional<std::string>& range) {
  std::lock_guard<std::mutex> lock(m_mutex);
  ++m_packageRequests[path];
  if (range) {
    ++m_rangeRequests;
    m_lastRange = range;
  }
  m_lastPackageRequest = std::chrono::steady_clock::now();
}

void Stats::AddPackageBytes(std::uint64_t bytes, bool completes) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_packageBytesSent += bytes;
  if (!completes) return;
  ++m_packagesCompleted;
  m_lastPackageMs =
      static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - m_lastPackageRequest)
                                     .count());
}

void Stats::TakeBackPackageBytes(std::uint64_t bytes, bool completes) {
  std::lock_guard<std::mutex> lock(m_mutex);
  // A reset may have come in between.
  m_packageBytesSent -= std::min(bytes, m_packageBytesSent);
  if (completes && m_packagesCompleted > 0) --m_packagesCompleted;
}

void Stats::Reset() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_versionCheckCount = 0;
  m_lastVersionCheckBody.reset();
  m_versionChecks.clear();
  m_reportCount = 0;
  m_reports.clear();
  m_packageRequests.clear();
  m_packageBytesSent = 0;
  m_packagesCompleted = 0;
  m_lastPackageMs = 0;
  m_rangeRequests = 0;
  m_lastRange.reset();
}

std::string Stats::Json() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  rapidjson::StringBuffer buffer;
  JsonWriter writer(buffer);
  writer.StartObject();
  writer.Key("version_check_count");
  writer.Uint64(m_versionCheckCount);
  writer.Key("last_version_check_body");
  if (m_lastVersionCheckBody) {
    WriteString(writer, *m_lastVersionCheckBody);
  } else {
    writer.Null();
  }
  writer.Key("version_checks");
  writer.StartArray();
  for (const VersionCheck& check : m_versionChecks) {
    writer.StartObject();
    writer.Key("path");
    WriteString(writer, check.path);
    writer.Key("body");
    WriteString(writer, check.body);
    writer.EndObject();
  }
  writer.EndArray();
  writer.Key("report_count");
  writer.Uint64(m_reportCount);
  writer.Key("reports");
  writer.StartArray();
  for (const std::string& report : m_reports) WriteString(writer, report);
  writer.EndArray();
  writer.Key("package_requests");
  writer.StartObject();
  for (const auto& [path, count] : m_packageRequests) {
    WriteString(writer, path);
    writer.Uint64(count);
  }
  writer.EndObject();
  writer.Key("package_bytes_sent");
  writer.Uint64(m_packageBytesSent);
  writer.Key("packages_completed");
  writer.Uint64(m_packagesCompleted);
  writer.Key("last_package_ms");
  writer.Uint64(m_lastPackageMs);
  writer.Key("range_requests");
  writer.Uint64(m_rangeRequests);
  writer.Key("last_range");
  if (m_lastRange) {
    WriteString(writer, *m_lastRange);
  } else {
    writer.Null();
  }
  writer.EndObject();
  return std::string(buffer.GetString(), buffer.GetSize());
}

}  // namespace vendor_stub
