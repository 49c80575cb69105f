// The package routes of the stub: how each one sends the package, answers ranges and breaks off.
#include <algorithm>
#include <iostream>

#include "connection_reset.h"
#include "package_ranges.h"
#include "stub_server.h"

namespace vendor_stub {
namespace {

constexpr char kZip[] = "application/zip";
constexpr std::size_t kPiece = 64 * 1024;
constexpr int kMaxRedirects = 100;

std::optional<std::string> HeaderOf(const httplib::Request& request, const char* name) {
  if (!request.has_header(name)) return std::nullopt;
  return request.get_header_value(name);
}

// cpp-httplib parses a Range header before routing and applies it to whatever a handler
// answers: it turns an answer of known length into a 206 even when the handler set 200, gives a
// range past the end a negative length and cuts error pages short. The package routes answer
// Range themselves, so they drop what it parsed. The request a handler sees is cpp-httplib's own
// non-const object, so writing to it is sound.
httplib::Request& Writable(const httplib::Request& request) {
  return const_cast<httplib::Request&>(request);
}

}  // namespace

void StubServer::AddPackageRoute(const char* pattern, Handler serve) {
  Handler counted = [this, serve](const httplib::Request& request, httplib::Response& response) {
    m_stats.RecordPackageRequest(request.path, HeaderOf(request, "Range"));
    Writable(request).ranges.clear();
    serve(request, response);
  };
  m_packageRoutes.push_back({std::regex(pattern), counted});
  m_server->Get(pattern, counted);
}

// cpp-httplib answers a Range it cannot parse (another unit, a reversed range) with 416 before
// any route sees the request. Package routes ignore such a Range, so the request goes to its
// route after all. A route's own 416 carries a Content-Range and stays as it is.
bool StubServer::ServeRefusedRange(const httplib::Request& request, httplib::Response& response) {
  if (response.status != 416 || response.has_header("Content-Range") ||
      (request.method != "GET" && request.method != "HEAD")) {
    return false;
  }
  for (const PackageRoute& route : m_packageRoutes) {
    std::smatch matches;
    if (std::regex_match(request.path, matches, route.pattern)) {
      Touch();
      Writable(request).matches = matches;
      route.serve(request, response);
      return true;
    }
  }
  return false;
}

void StubServer::AddPackageRoutes() {
  m_server->set_error_handler(httplib::Server::HandlerWithResponse(
      [this](const httplib::Request& request, httplib::Response& response) {
        return ServeRefusedRange(request, response) ? httplib::Server::HandlerResponse::Handled
                                                    : httplib::Server::HandlerResponse::Unhandled;
      }));
  const auto answer = [this](PackageAnswer how) {
    return [this, how](const httplib::Request& request, httplib::Response& response) {
      ServePackage(request, response, how);
    };
  };
  const auto ending = [&answer](Ending how) {
    PackageAnswer whole;
    whole.ending = how;
    return answer(whole);
  };
  PackageAnswer changed;
  changed.changedAt = ChangedByteOffset(m_package.size());
  changed.announcesChange = true;
  PackageAnswer ignoresRange;
  ignoresRange.servesRanges = false;
  PackageAnswer newValidator;
  newValidator.freshValidators = true;
  // A server that stalls every time gives no way to resume: otherwise each resume would stall
  // for --stall-seconds again.
  PackageAnswer stall;
  stall.ending = Ending::kStallHalfway;
  stall.offersRanges = false;
  AddPackageRoute("/package/full", ending(Ending::kWhole));
  AddPackageRoute("/package/drip", ending(Ending::kDrip));
  AddPackageRoute("/package/truncated", ending(Ending::kCloseHalfway));
  AddPackageRoute("/package/stall", answer(stall));
  AddPackageRoute("/package/reset", ending(Ending::kResetHalfway));
  AddPackageRoute("/package/changed", answer(changed));
  // Any one byte changed on the way, the validators left as they were: what a tampering proxy
  // would serve.
  AddPackageRoute(R"(/package/changed-at/(\d{1,12}))",
                  [this](const httplib::Request& request, httplib::Response& response) {
                    PackageAnswer how;
                    how.changedAt = std::stoull(request.matches[1].str());
                    ServePackage(request, response, how);
                  });
  // The end record's item counts set to n, the directory's bytes and the validators as they were:
  // a mirror that hides the last items of a signed directory, or invents some.
  AddPackageRoute(R"(/package/end-count/(\d{1,5}))", [this](const httplib::Request& request,
                                                            httplib::Response& response) {
    PackageAnswer how;
    how.endCount =
        static_cast<std::uint16_t>(std::min(std::stoul(request.matches[1].str()), 0xFFFFul));
    ServePackage(request, response, how);
  });
  // The end record's offset of the directory set to n: a mirror that points the reader at other
  // bytes than the signed directory.
  AddPackageRoute(R"(/package/end-offset/(\d{1,10}))", [this](const httplib::Request& request,
                                                              httplib::Response& response) {
    PackageAnswer how;
    how.endOffset =
        static_cast<std::uint32_t>(std::min(std::stoull(request.matches[1].str()), 0xFFFFFFFFull));
    ServePackage(request, response, how);
  });
  AddPackageRoute("/package/ignores-range", answer(ignoresRange));
  AddPackageRoute("/package/new-validator", answer(newValidator));
  AddPackageRoute("/package/chunked",
                  [this](const httplib::Request& request, httplib::Response& response) {
                    ServePackageChunked(request, response);
                  });
  AddPackageRoute("/package/missing", [](const httplib::Request&, httplib::Response& response) {
    SetHtmlPage(response, 404, "Not Found");
  });
  AddPackageRoute(R"(/package/redirect/(\d{1,3}))", [this](const httplib::Request& request,
                                                           httplib::Response& response) {
    const int left = std::stoi(request.matches[1].str());
    if (left > kMaxRedirects) {
      SetHtmlPage(response, 400, "Too Many Redirects Asked");
    } else if (left == 0) {
      ServePackage(request, response, PackageAnswer());
    } else {
      response.set_redirect(BaseUrl() + "/package/redirect/" + std::to_string(left - 1));
    }
  });
}

bool StubServer::SendPiece(httplib::DataSink& sink, std::vector<char>& buffer, std::uint64_t offset,
                           std::size_t length, const PackageAnswer* how, bool completes) {
  buffer.resize(length);
  if (m_package.ReadAt(offset, buffer.data(), length) != length) {
    std::cerr << "vendor-stub: cannot read the package at " << offset << "\n";
    return false;
  }
  const auto put = [&](std::uint64_t at, char value) {
    if (at >= offset && at < offset + length) buffer[static_cast<std::size_t>(at - offset)] = value;
  };
  if (how && how->changedAt) {
    const std::uint64_t at = *how->changedAt;
    if (at >= offset && at < offset + length) put(at, ChangedByte(buffer[at - offset]));
  }
  if (how && how->endCount && Digests().endRecord) {
    for (const std::uint64_t field : {8, 10}) {  // the items on this disk, and in all
      put(*Digests().endRecord + field, static_cast<char>(*how->endCount & 0xFF));
      put(*Digests().endRecord + field + 1, static_cast<char>(*how->endCount >> 8));
    }
  }
  if (how && how->endOffset && Digests().endRecord) {
    for (int byte = 0; byte < 4; ++byte) {
      put(*Digests().endRecord + 16 + byte, static_cast<char>(*how->endOffset >> (8 * byte)));
    }
  }
  // Counted before the write: a client that has read every byte may ask for /stats before
  // this thread has returned from the write.
  const bool last = completes && offset + length == m_package.size();
  m_stats.AddPackageBytes(length, last);
  if (sink.write(buffer.data(), length)) return true;
  m_stats.TakeBackPackageBytes(length, last);
  return false;
}

void StubServer::ResetTransfer(int localPort, int remotePort) {
  if (!ResetConnection(localPort, remotePort)) {
    std::cerr << "vendor-stub: found no connection to reset\n";
  }
}

bool StubServer::ResetAt(std::uint64_t offset, int localPort, int remotePort, std::size_t& piece) {
  if (m_resets.TakeResetAt(offset)) {
    std::cerr << "vendor-stub: --reset-at " << offset << ": resetting the transfer\n";
    ResetTransfer(localPort, remotePort);
    return true;
  }
  piece = static_cast<std::size_t>(
      std::min<std::uint64_t>(piece, m_resets.NextResetAfter(offset) - offset));
  return false;
}

// Announces the length of what the answer covers; how much follows depends on `how.ending`.
void StubServer::ServePackage(const httplib::Request& request, httplib::Response& response,
                              PackageAnswer how) {
  const std::uint64_t size = m_package.size();
  const Validators validators =
      how.freshValidators
          ? FreshValidators(Digests().whole, ++m_validatorSerial)
          : StableValidators(how.announcesChange ? Digests().changed : Digests().whole);
  if (how.offersRanges) {
    response.set_header("Accept-Ranges", "bytes");
    response.set_header("ETag", validators.etag);
    response.set_header("Last-Modified", validators.lastModified);
  }
  const RangeAnswer range = AnswerRange(HeaderOf(request, "Range"), HeaderOf(request, "If-Range"),
                                        validators, size, how.servesRanges && how.offersRanges);
  if (range.kind == RangeAnswer::Kind::kUnsatisfiable) {
    response.status = 416;
    response.set_header("Content-Range", ContentRange(range, size));
    return;
  }
  response.status = 200;
  if (range.kind == RangeAnswer::Kind::kPartial) {
    response.status = 206;
    response.set_header("Content-Range", ContentRange(range, size));
  }
  const std::uint64_t start = range.start;
  const std::uint64_t end = range.kind == RangeAnswer::Kind::kPartial ? range.last + 1 : size;
  // A range that ends the package is its transfer's end only when it takes up a whole one.
  const bool completes = range.kind == RangeAnswer::Kind::kWhole || range.openEnded;
  const std::uint64_t half = size / 2;
  const bool cut = how.ending != Ending::kWhole && how.ending != Ending::kDrip;
  const int localPort = request.local_port;
  const int remotePort = request.remote_port;
  auto buffer = std::make_shared<std::vector<char>>();
  response.set_content_provider(
      end - start, kZip,
      [this, how, start, half, cut, completes, localPort, remotePort, buffer](
          std::size_t sent, std::size_t length, httplib::DataSink& sink) {
        Touch();
        const std::uint64_t offset = start + sent;
        if (cut && offset >= half) {
          if (how.ending == Ending::kStallHalfway) {
            WaitForStop(std::chrono::seconds(m_options.stallSeconds));
          } else if (how.ending == Ending::kResetHalfway) {
            ResetTransfer(localPort, remotePort);
          }
          return false;  // the connection is closed with the package unfinished
        }
        std::size_t piece = std::min(length, kPiece);
        if (cut) piece = static_cast<std::size_t>(std::min<std::uint64_t>(piece, half - offset));
        if (how.ending == Ending::kDrip) {
          if (sent > 0 && WaitForStop(std::chrono::milliseconds(m_options.dripIntervalMs))) {
            return false;
          }
          piece = std::min(length, m_options.dripBytes);
        }
        if (ResetAt(offset, localPort, remotePort, piece)) return false;
        return SendPiece(sink, *buffer, offset, piece, &how, completes);
      });
}

void StubServer::ServePackageChunked(const httplib::Request& request, httplib::Response& response) {
  const int localPort = request.local_port;
  const int remotePort = request.remote_port;
  auto buffer = std::make_shared<std::vector<char>>();
  response.status = 200;
  response.set_chunked_content_provider(
      kZip, [this, localPort, remotePort, buffer](std::size_t offset, httplib::DataSink& sink) {
        Touch();
        if (offset < m_package.size()) {
          std::size_t piece =
              static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, m_package.size() - offset));
          if (ResetAt(offset, localPort, remotePort, piece)) return false;
          return SendPiece(sink, *buffer, offset, piece);
        }
        sink.done();
        return true;
      });
}

}  // namespace vendor_stub
