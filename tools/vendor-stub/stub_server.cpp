#include "stub_server.h"

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <thread>

#include "file_reading.h"
#include "key_files.h"
#include "workflow/release_signature.h"

namespace vendor_stub {
namespace {

using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

constexpr char kJson[] = "application/json";
constexpr char kHtml[] = "text/html; charset=utf-8";
constexpr std::chrono::milliseconds kTrickleInterval(250);
// Waits are cut into slices so that a long wait still counts as activity and sees a stop.
constexpr std::chrono::milliseconds kWaitSlice(200);

void WriteString(JsonWriter& writer, const std::string& text) {
  writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
}

std::string HtmlPage(int status, const std::string& title) {
  const std::string heading = std::to_string(status) + " " + title;
  return "<!DOCTYPE html>\n<html><head><title>" + heading + "</title></head>\n<body><h1>" +
         heading + "</h1><hr><p>vendor-stub</p></body></html>\n";
}

std::int64_t UnixNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

bool ParseClientTypeId(const std::string& body, int& id) {
  rapidjson::Document document;
  document.Parse(body.data(), body.size());
  if (document.HasParseError() || !document.IsObject()) return false;
  const auto member = document.FindMember("client_type_id");
  if (member == document.MemberEnd() || !member->value.IsInt()) return false;
  id = member->value.GetInt();
  return true;
}

std::string EchoOf(const httplib::Request& request) {
  rapidjson::StringBuffer buffer;
  JsonWriter writer(buffer);
  writer.StartObject();
  writer.Key("method");
  WriteString(writer, request.method);
  writer.Key("path");
  WriteString(writer, request.path);
  writer.Key("content_type");
  writer.StartArray();
  const std::size_t count = request.get_header_value_count("Content-Type");
  for (std::size_t i = 0; i < count; ++i) {
    WriteString(writer, request.get_header_value("Content-Type", i));
  }
  writer.EndArray();
  writer.Key("body");
  WriteString(writer, request.body);
  writer.EndObject();
  return std::string(buffer.GetString(), buffer.GetSize());
}

}  // namespace

void SetHtmlPage(httplib::Response& response, int status, const std::string& title) {
  response.status = status;
  response.set_content(HtmlPage(status, title), kHtml);
}

StubServer::StubServer(Options options, PackageFile package)
    : m_options(std::move(options)),
      m_package(std::move(package)),
      m_server(m_options.tlsCertificate.empty()
                   ? std::make_unique<httplib::Server>()
                   : std::make_unique<httplib::SSLServer>(m_options.tlsCertificate.c_str(),
                                                          m_options.tlsKey.c_str())),
      m_resets(m_options.resetAt, m_package.size()),
      m_lastActivity(Clock::now().time_since_epoch().count()) {
  // Stalled and dripping answers each hold a worker for a long time.
  m_server->new_task_queue = [] { return new httplib::ThreadPool(32); };
  AddRoutes();
}

int StubServer::Start() {
  if (!m_server->is_valid()) {
    std::cerr << "vendor-stub: cannot use the TLS certificate " << m_options.tlsCertificate
              << " with the key " << m_options.tlsKey << "\n";
    return -1;
  }
  if (!m_options.signingKeyFile.empty()) {
    std::string error;
    if (!release_sign::ReadKeyFile(m_options.signingKeyFile, update::kSecretKeyHexLength,
                                   m_keys.secretHex, error)) {
      std::cerr << "vendor-stub: " << error << "\n";
      return -1;
    }
    m_keys.otherSecretHex = update::MakeReleaseKeyPair().secretHex;
  }
  if (!m_options.pacFile.empty()) {
    std::string error;
    if (!release_sign::ReadSmallFile(m_options.pacFile, m_pacScript, error)) {
      std::cerr << "vendor-stub: " << error << "\n";
      return -1;
    }
  }
  Digests();  // before the first request, which would wait for it otherwise
  if (!m_options.reportFile.empty()) {
    m_report.open(m_options.reportFile, std::ios::binary | std::ios::app);
    if (!m_report) {
      std::cerr << "vendor-stub: cannot open report file " << m_options.reportFile << "\n";
      return -1;
    }
  }
  m_port = m_options.port == 0
               ? m_server->bind_to_any_port("127.0.0.1")
               : (m_server->bind_to_port("127.0.0.1", m_options.port) ? m_options.port : -1);
  if (m_port <= 0) {
    std::cerr << "vendor-stub: cannot listen on 127.0.0.1:" << m_options.port << "\n";
  }
  return m_port;
}

bool StubServer::Run() {
  std::thread watcher(&StubServer::WatchIdle, this);
  const bool served = m_server->listen_after_bind();
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
    m_servingEnded = true;
  }
  m_wake.notify_all();
  watcher.join();
  return served;
}

void StubServer::Stop() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
  }
  m_wake.notify_all();
  m_server->stop();
}

void StubServer::Touch() {
  m_lastActivity = Clock::now().time_since_epoch().count();
}

bool StubServer::WaitForStop(Clock::duration duration) {
  const Clock::time_point end = Clock::now() + duration;
  std::unique_lock<std::mutex> lock(m_mutex);
  while (!m_stopping) {
    const Clock::time_point now = Clock::now();
    if (now >= end) return false;
    Touch();
    m_wake.wait_until(lock, std::min<Clock::time_point>(end, now + kWaitSlice));
  }
  return true;
}

// Stops the server once nothing has happened for the idle limit. It also repeats the stop
// while serving goes on after a stop request, which covers a stop that came before the server
// had started listening.
void StubServer::WatchIdle() {
  const Clock::duration idle = std::chrono::seconds(m_options.idleSeconds);
  std::unique_lock<std::mutex> lock(m_mutex);
  while (!m_servingEnded) {
    if (m_stopping) {
      lock.unlock();
      m_server->stop();
      lock.lock();
      m_wake.wait_for(lock, kWaitSlice);
      continue;
    }
    const Clock::time_point deadline =
        Clock::time_point(Clock::duration(m_lastActivity.load())) + idle;
    if (Clock::now() >= deadline) {
      std::cerr << "vendor-stub: idle for " << m_options.idleSeconds << " s, ending\n";
      m_stopping = true;
      m_wake.notify_all();
      continue;
    }
    m_wake.wait_until(lock, deadline);
  }
}

std::string StubServer::BaseUrl() const {
  return (m_options.tlsCertificate.empty() ? "http://127.0.0.1:" : "https://localhost:") +
         std::to_string(m_port);
}

std::string StubServer::PackageUrl() const {
  if (m_options.packageUrl.empty()) return BaseUrl() + "/package/full";
  // A path names a route of this stub, whose port is known only once it listens.
  return m_options.packageUrl.front() == '/' ? BaseUrl() + m_options.packageUrl
                                             : m_options.packageUrl;
}

std::string StubServer::GoodAnswer(const std::string& url, std::int32_t clientTypeId) {
  update::PackageOffer offer;
  offer.version = m_options.versionNumber;
  offer.url = url;
  return GoodAnswer(std::move(offer), clientTypeId);
}

std::string StubServer::GoodAnswer(update::PackageOffer offer, std::int32_t clientTypeId) {
  if (!m_keys.secretHex.empty()) {
    Sign(offer, clientTypeId, Digests(), UnixNow() + kSignedLifetime, m_keys.secretHex);
  } else {
    offer.directorySha256 = Digests().directory;
  }
  return AnswerJson(offer);
}

const PackageDigests& StubServer::Digests() {
  std::call_once(m_digestsOnce, [this] {
    std::string error;
    if (!DigestPackage(m_package, m_digests, error)) {
      std::cerr << "vendor-stub: " << error << "\n";
    }
  });
  return m_digests;
}

void StubServer::AddRoutes() {
  m_server->set_pre_routing_handler([this](const httplib::Request&, httplib::Response&) {
    Touch();
    return httplib::Server::HandlerResponse::Unhandled;
  });
  m_server->set_logger([](const httplib::Request& request, const httplib::Response& response) {
    const std::string range =
        request.has_header("Range") ? " (Range: " + request.get_header_value("Range") + ")" : "";
    std::fprintf(stderr, "vendor-stub: %s %s%s -> %d\n", request.method.c_str(),
                 request.path.c_str(), range.c_str(), response.status);
  });

  m_server->Post("/api/v1/version/client/check",
                 [this](const httplib::Request& request, httplib::Response& response) {
                   m_stats.RecordVersionCheck(request.path, request.body);
                   int clientTypeId = 0;
                   if (!ParseClientTypeId(request.body, clientTypeId)) {
                     response.status = 400;
                     response.set_content(R"({"success":false,"message":"bad request"})", kJson);
                     return;
                   }
                   Answer(ScenarioForClientType(clientTypeId), clientTypeId, request, response);
                 });
  m_server->Post(R"(/scenario/([A-Za-z0-9-]+)/api/v1/version/client/check)",
                 [this](const httplib::Request& request, httplib::Response& response) {
                   m_stats.RecordVersionCheck(request.path, request.body);
                   const std::optional<Scenario> scenario =
                       ScenarioByName(request.matches[1].str());
                   if (!scenario) {
                     SetHtmlPage(response, 404, "Unknown Scenario");
                     return;
                   }
                   int clientTypeId = 0;
                   ParseClientTypeId(request.body, clientTypeId);
                   Answer(*scenario, clientTypeId, request, response);
                 });
  m_server->Post("/log", [this](const httplib::Request& request, httplib::Response& response) {
    AppendReport(request.body, response);
  });
  m_server->Get("/stats", [this](const httplib::Request&, httplib::Response& response) {
    response.set_content(m_stats.Json(), kJson);
  });
  m_server->Get("/proxy.pac", [this](const httplib::Request&, httplib::Response& response) {
    if (m_options.pacFile.empty()) {
      SetHtmlPage(response, 404, "Not Found");
      return;
    }
    response.set_content(m_pacScript, "application/x-ns-proxy-autoconfig");
  });
  m_server->Post("/stats/reset", [this](const httplib::Request&, httplib::Response& response) {
    m_stats.Reset();
    response.set_content(R"({"success":true})", kJson);
  });
  AddPackageRoutes();
}

void StubServer::Answer(Scenario scenario, std::int32_t clientTypeId,
                        const httplib::Request& request, httplib::Response& response) {
  const std::string good = GoodAnswer(PackageUrl(), clientTypeId);
  switch (scenario) {
    case Scenario::kOk:
      response.set_content(good, kJson);
      return;
    case Scenario::kUtf8Version: {
      update::PackageOffer offer;
      // CJK, Latin with accents, a character outside the BMP and one no ANSI code page holds.
      offer.version = u8"3.2.0 测试版 Zürich \U0001F680 \u2603";
      offer.url = PackageUrl();
      response.set_content(GoodAnswer(std::move(offer), clientTypeId), kJson);
      return;
    }
    case Scenario::kRefused:
      response.set_content(R"({"success":false,"message":"no package for this client"})", kJson);
      return;
    case Scenario::kEmptyUrl:
      response.set_content(
          R"({"success":true,"version_number":")" + m_options.versionNumber + R"(","url":""})",
          kJson);
      return;
    case Scenario::kSuccessString: {
      std::string text = good;
      text.replace(text.find("true"), 4, "\"true\"");
      response.set_content(text, kJson);
      return;
    }
    case Scenario::kExtraMembers:
      response.set_content(R"({"code":0,"message":"ok",)" + good.substr(1, good.size() - 2) +
                               R"(,"data":{"notes":["faster","fixes"],"size":null},"force":false})",
                           kJson);
      return;
    case Scenario::kWhitespace:
      response.set_content(" \t\r\n" + good + "\r\n\t ", kJson);
      return;
    case Scenario::kHtmlError:
      SetHtmlPage(response, 502, "Bad Gateway");
      return;
    case Scenario::kEmptyBody:
      response.set_content("", kJson);
      return;
    case Scenario::kTrailingGarbage:
      response.set_content(good + "<!-- served by cache -->", kJson);
      return;
    case Scenario::kArrayRoot:
      response.set_content("[" + good + "]", kJson);
      return;
    case Scenario::kHuge: {
      const std::string head = good.substr(0, good.size() - 1) + R"(,"padding":")";
      const std::string tail = "\"}";
      const std::size_t fixed = head.size() + tail.size();
      const std::size_t padding = m_options.hugeBytes > fixed ? m_options.hugeBytes - fixed : 0;
      response.set_content(head + std::string(padding, 'x') + tail, kJson);
      return;
    }
    case Scenario::kNulInside:
      response.set_content(good + std::string(1, '\0') + std::string(64 * 1024, 'x'), kJson);
      return;
    case Scenario::kSlow:
      if (WaitForStop(std::chrono::milliseconds(m_options.slowMs))) {
        response.status = 503;
        return;
      }
      response.set_content(good, kJson);
      return;
    case Scenario::kStall:
      WaitForStop(std::chrono::seconds(m_options.stallSeconds));
      SetHtmlPage(response, 504, "Stalled");
      return;
    case Scenario::kStallBody: {
      auto text = std::make_shared<std::string>(good);
      response.set_content_provider(
          text->size(), kJson,
          [this, text](std::size_t offset, std::size_t, httplib::DataSink& sink) {
            const std::size_t half = text->size() / 2;
            if (offset < half) return sink.write(text->data() + offset, half - offset);
            WaitForStop(std::chrono::seconds(m_options.stallSeconds));
            return false;  // the connection is closed with the answer unfinished
          });
      return;
    }
    case Scenario::kTrickle: {
      // Never slow enough to count as stalled, but slower than any overall time limit.
      auto text = std::make_shared<std::string>(std::string(210, ' ') + good);
      response.set_content_provider(
          text->size(), kJson,
          [this, text](std::size_t offset, std::size_t, httplib::DataSink& sink) {
            if (offset > 0 && WaitForStop(kTrickleInterval)) return false;
            return sink.write(text->data() + offset, 1);
          });
      return;
    }
    case Scenario::kEcho:
      response.set_content(EchoOf(request), kJson);
      return;
    case Scenario::kPackageChunked:
      response.set_content(GoodAnswer(BaseUrl() + "/package/chunked", clientTypeId), kJson);
      return;
    case Scenario::kPackageRedirect5:
      response.set_content(GoodAnswer(BaseUrl() + "/package/redirect/5", clientTypeId), kJson);
      return;
    case Scenario::kPackageRedirect6:
      response.set_content(GoodAnswer(BaseUrl() + "/package/redirect/6", clientTypeId), kJson);
      return;
    case Scenario::kPackageMissing:
      response.set_content(GoodAnswer(BaseUrl() + "/package/missing", clientTypeId), kJson);
      return;
    case Scenario::kPackageTruncated:
      response.set_content(GoodAnswer(BaseUrl() + "/package/truncated", clientTypeId), kJson);
      return;
    case Scenario::kPackageDrip:
      response.set_content(GoodAnswer(BaseUrl() + "/package/drip", clientTypeId), kJson);
      return;
    case Scenario::kPackageStall:
      response.set_content(GoodAnswer(BaseUrl() + "/package/stall", clientTypeId), kJson);
      return;
    case Scenario::kPackageReset:
      response.set_content(GoodAnswer(BaseUrl() + "/package/reset", clientTypeId), kJson);
      return;
    case Scenario::kPackageNoRange:
      response.set_content(GoodAnswer(BaseUrl() + "/package/ignores-range", clientTypeId), kJson);
      return;
    case Scenario::kPackageNewEtag:
      response.set_content(GoodAnswer(BaseUrl() + "/package/new-validator", clientTypeId), kJson);
      return;
    case Scenario::kSignedType:
    case Scenario::kSignedVersion:
    case Scenario::kSignedUrl:
    case Scenario::kSignedSha256:
    case Scenario::kSignedExpires:
    case Scenario::kSignedOtherKey:
    case Scenario::kSignatureTruncated:
    case Scenario::kSignatureNotHex:
    case Scenario::kSignedMissing:
    case Scenario::kSignedExpired:
    case Scenario::kPackageChanged:
    case Scenario::kSha256Wrong:
    case Scenario::kSha256Right:
      AnswerSigning(scenario, clientTypeId, response);
      return;
  }
}

void StubServer::AnswerSigning(Scenario scenario, std::int32_t clientTypeId,
                               httplib::Response& response) {
  AnswerBasis basis;
  basis.clientTypeId = clientTypeId;
  basis.version = m_options.versionNumber;
  basis.packageUrl = PackageUrl();
  basis.changedUrl = BaseUrl() + "/package/changed";
  basis.now = UnixNow();
  const std::optional<update::PackageOffer> offer =
      SigningScenarioOffer(scenario, basis, m_keys, Digests());
  if (!offer) {
    std::cerr << "vendor-stub: this scenario needs --signing-key\n";
    SetHtmlPage(response, 500, "Scenario Needs --signing-key");
    return;
  }
  response.set_content(AnswerJson(*offer), kJson);
}

void StubServer::AppendReport(const std::string& body, httplib::Response& response) {
  m_stats.RecordReport(body);
  if (m_report.is_open()) {
    std::lock_guard<std::mutex> lock(m_reportMutex);
    m_report << body << '\n';
    m_report.flush();
    if (!m_report) {
      response.status = 500;
      response.set_content(R"({"success":false,"message":"report not stored"})", kJson);
      return;
    }
  }
  response.set_content(R"({"success":true})", kJson);
}

}  // namespace vendor_stub
