// Native only: vendor-stub itself, the stand-in that every later test and the demo rely on.
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>

#include "net/http_post.h"
#include "stub_fetch.h"
#include "stub_process.h"
#include "workflow/package_digest.h"
#include "workflow/release_signature.h"
#include "workflow/version_answer.h"

namespace update {
namespace {

using std::chrono::seconds;
using testing::Fetch;
using testing::StubProcess;
using testing::Transfer;

std::string CheckUrl(const StubProcess& stub, const std::string& scenario = "") {
  return stub.baseUrl() + (scenario.empty() ? "" : "/scenario/" + scenario) +
         "/api/v1/version/client/check";
}

class VendorStubTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitializeHttp());
    m_folder = ::testing::TempDir() + "vendor-stub-test-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    m_reportFile = m_folder + ".reports";
    m_packageFile = m_folder + ".zip";
    std::remove(m_reportFile.c_str());
    m_package.resize(100003);
    for (size_t i = 0; i < m_package.size(); ++i) m_package[i] = static_cast<char>(i * 7 + i / 251);
    std::ofstream(m_packageFile, std::ios::binary) << m_package;
  }
  void TearDown() override {
    std::remove(m_reportFile.c_str());
    std::remove(m_packageFile.c_str());
  }
  std::vector<std::string> Arguments() const {
    return {"--report-file",      m_reportFile, "--package",    m_packageFile,
            "--huge-bytes",       "5000",       "--drip-bytes", "10000",
            "--drip-interval-ms", "20",         "--slow-ms",    "10",
            "--stall-seconds",    "1"};
  }

  std::string m_folder;
  std::string m_reportFile;
  std::string m_packageFile;
  std::string m_package;
};

TEST_F(VendorStubTest, PrintsItsPortAndEndsOnSigterm) {
  StubProcess stub(Arguments());
  ASSERT_GT(stub.port(), 0);
  EXPECT_EQ(Fetch(CheckUrl(stub), R"({"client_type_id":1})").status, 200);
  stub.Signal(SIGTERM);
  EXPECT_EQ(stub.WaitForExit(seconds(10)), 0);
}

TEST_F(VendorStubTest, EndsByItselfAfterTheIdleLimit) {
  std::vector<std::string> arguments = Arguments();
  arguments.insert(arguments.end(), {"--idle-seconds", "1"});
  StubProcess stub(arguments);
  ASSERT_GT(stub.port(), 0);
  EXPECT_EQ(stub.WaitForExit(seconds(20)), 0);
}

// Any 127.x.y.z address reaches this host; only 127.0.0.1 may reach the stub.
TEST_F(VendorStubTest, ListensOnlyOn127001) {
  StubProcess stub(Arguments());
  ASSERT_GT(stub.port(), 0);
  const std::string path = ":" + std::to_string(stub.port()) + "/package/full";
  EXPECT_EQ(Fetch("http://127.0.0.1" + path).code, CURLE_OK);
  EXPECT_EQ(Fetch("http://127.0.0.2" + path).code, CURLE_COULDNT_CONNECT);
}

TEST_F(VendorStubTest, ClientTypeIdAndScenarioNameGiveTheSameAnswer) {
  StubProcess stub(Arguments());
  ASSERT_GT(stub.port(), 0);
  const struct {
    int id;
    const char* name;
  } cases[] = {
      {0, "ok"},
      {10, "utf8"},
      {11, "refused"},
      {12, "empty-url"},
      {13, "success-string"},
      {14, "extra-members"},
      {15, "whitespace"},
      {16, "html"},
      {17, "empty"},
      {18, "trailing-garbage"},
      {19, "array"},
      {20, "huge"},
      {21, "nul-inside"},
      {22, "slow"},
      {30, "package-chunked"},
      {31, "package-redirect-5"},
      {32, "package-redirect-6"},
      {33, "package-missing"},
      {34, "package-truncated"},
      {35, "package-drip"},
      {36, "package-stall"},
      {37, "package-reset"},
      {38, "package-ignores-range"},
      {39, "package-new-validator"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    const std::string body = "{\"client_type_id\":" + std::to_string(cases[i].id) + "}";
    const Transfer byId = Fetch(CheckUrl(stub), body.c_str());
    const Transfer byName = Fetch(CheckUrl(stub, cases[i].name), body.c_str());
    EXPECT_EQ(byId.code, CURLE_OK);
    EXPECT_EQ(byId.status, byName.status);
    EXPECT_EQ(byId.body, byName.body);
  }
  // Ids without a scenario of their own get the good answer.
  const Transfer good = Fetch(CheckUrl(stub, "ok"), "{}");
  EXPECT_EQ(good.body.rfind(R"({"success":true,)", 0), 0u) << good.body;
  for (const int id : {1, 9, -5, 99, 2147483647}) {
    SCOPED_TRACE(id);
    const std::string body = "{\"client_type_id\":" + std::to_string(id) + "}";
    EXPECT_EQ(Fetch(CheckUrl(stub), body.c_str()).body, good.body);
  }
}

// --package-url moves the package of good answers only; the package scenarios keep their own
// failing routes on this stub.
TEST_F(VendorStubTest, AnswersWithTheGivenPackageUrl) {
  const std::string elsewhere = "https://localhost:1/package/full?from=elsewhere";
  std::vector<std::string> arguments = Arguments();
  arguments.insert(arguments.end(), {"--package-url", elsewhere});
  StubProcess stub(arguments);
  ASSERT_GT(stub.port(), 0);
  const struct {
    const char* scenario;
    std::string url;
  } cases[] = {
      {"ok", elsewhere},
      {"utf8", elsewhere},
      {"extra-members", elsewhere},
      {"whitespace", elsewhere},
      {"huge", elsewhere},
      {"slow", elsewhere},
      {"empty-url", ""},
      {"package-missing", stub.baseUrl() + "/package/missing"},
      {"package-stall", stub.baseUrl() + "/package/stall"},
      {"package-redirect-5", stub.baseUrl() + "/package/redirect/5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scenario);
    const Transfer answer = Fetch(CheckUrl(stub, c.scenario), "{}");
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(testing::UrlOfAnswer(answer.body), c.url) << answer.body;
  }
}

TEST_F(VendorStubTest, RefusesABadRequestAndAnUnknownScenario) {
  StubProcess stub(Arguments());
  ASSERT_GT(stub.port(), 0);
  const char* badBodies[] = {"",
                             "not json",
                             "[1]",
                             R"({"client_type_id":"3"})",
                             R"({"client_type_id":3.5})",
                             R"({"type":3})"};
  for (size_t i = 0; i < std::size(badBodies); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Fetch(CheckUrl(stub), badBodies[i]).status, 400);
  }
  EXPECT_EQ(Fetch(CheckUrl(stub, "no-such-scenario"), "{}").status, 404);
}

TEST_F(VendorStubTest, AppendsEachReportAsOneLine) {
  StubProcess stub(Arguments());
  ASSERT_GT(stub.port(), 0);
  const char* reports[] = {R"({"act":1,"type":0,"version":"1","os":"6.1"})",
                           "{\"act\":2,\"type\":3,\"version\":\"\xE7\x89\x88\",\"os\":\"\"}"};
  for (const char* report : reports) {
    EXPECT_EQ(Fetch(stub.baseUrl() + "/log", report).status, 200);
  }
  std::ifstream file(m_reportFile, std::ios::binary);
  const std::string content((std::istreambuf_iterator<char>(file)), {});
  EXPECT_EQ(content, std::string(reports[0]) + "\n" + reports[1] + "\n");
}

// Each package scenario's answer leads to a package route that behaves as named.
TEST_F(VendorStubTest, ServesThePackageAsEachScenarioSays) {
  StubProcess stub(Arguments());
  ASSERT_GT(stub.port(), 0);
  const std::string whole = m_package;
  const std::string half = m_package.substr(0, m_package.size() / 2);
  const curl_off_t size = static_cast<curl_off_t>(m_package.size());
  using std::chrono::milliseconds;
  const struct {
    const char* scenario;
    CURLcode code;
    long status;
    const std::string* body;     // null: not the package
    bool prefixOnly;             // the body received is some beginning of `body`
    curl_off_t announcedLength;  // of the package; -1: none (chunked)
    long redirects;
    milliseconds atLeast;  // how long the transfer takes at least
  } cases[] = {
      {"ok", CURLE_OK, 200, &whole, false, size, 0, milliseconds(0)},
      {"package-chunked", CURLE_OK, 200, &whole, false, -1, 0, milliseconds(0)},
      {"package-redirect-5", CURLE_OK, 200, &whole, false, size, 5, milliseconds(0)},
      {"package-redirect-6", CURLE_TOO_MANY_REDIRECTS, 302, nullptr, false, 0, 5, milliseconds(0)},
      {"package-missing", CURLE_OK, 404, nullptr, false, 0, 0, milliseconds(0)},
      {"package-truncated", CURLE_PARTIAL_FILE, 200, &half, false, size, 0, milliseconds(0)},
      {"package-drip", CURLE_OK, 200, &whole, false, size, 0, milliseconds(0)},
      // Half, then silence for --stall-seconds (1), then an orderly close.
      {"package-stall", CURLE_PARTIAL_FILE, 200, &half, false, size, 0, milliseconds(1000)},
      // A reset may overtake the last bytes sent before it.
      {"package-reset", CURLE_RECV_ERROR, 200, &half, true, size, 0, milliseconds(0)},
      {"package-ignores-range", CURLE_OK, 200, &whole, false, size, 0, milliseconds(0)},
      {"package-new-validator", CURLE_OK, 200, &whole, false, size, 0, milliseconds(0)},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.scenario);
    const std::string url = testing::UrlOfAnswer(Fetch(CheckUrl(stub, c.scenario), "{}").body);
    ASSERT_EQ(url.rfind(stub.baseUrl() + "/package/", 0), 0u) << url;

    const auto start = std::chrono::steady_clock::now();
    const Transfer package = Fetch(url, nullptr, 5);  // what the download worker allows
    EXPECT_GE(std::chrono::steady_clock::now() - start, c.atLeast);
    EXPECT_EQ(package.code, c.code);
    EXPECT_EQ(package.status, c.status);
    EXPECT_EQ(package.redirects, c.redirects);
    if (c.body && c.prefixOnly) {
      EXPECT_LE(package.body.size(), c.body->size());
      EXPECT_TRUE(c.body->compare(0, package.body.size(), package.body) == 0);
    } else if (c.body) {
      EXPECT_TRUE(package.body == *c.body) << "received " << package.body.size() << " bytes";
    } else if (c.status == 404) {
      EXPECT_NE(package.body.find("<html>"), std::string::npos) << package.body;
    }
    if (c.body) {
      EXPECT_EQ(package.announcedLength, c.announcedLength);
    }
  }
}

// With a key every good answer is signed for the request's client type, and each signing
// scenario spoils one thing, as the installer's own check sees it. Ids select them as names do.
TEST_F(VendorStubTest, SignsAsEachSigningScenarioSays) {
  std::vector<std::string> arguments = Arguments();
  arguments.insert(arguments.end(),
                   {"--signing-key", RELEASE_TEST_KEY_DIR "/release-test-key.secret"});
  StubProcess stub(arguments);
  ASSERT_GT(stub.port(), 0);
  std::string publicKey;
  std::ifstream(RELEASE_TEST_KEY_DIR "/release-test-key.public") >> publicKey;
  const auto now =
      std::chrono::duration_cast<seconds>(std::chrono::system_clock::now().time_since_epoch())
          .count();
  using Check = OfferCheck;
  const struct {
    const char* name;
    int id;
    Check check;
    bool packageMatches;  // the package at "url" has the digest in "sha256"
  } cases[] = {
      {"ok", 0, Check::kAccepted, true},
      {"package-chunked", 30, Check::kAccepted, true},
      {"signed-type", 40, Check::kWrongSignature, true},
      {"signed-version", 41, Check::kWrongSignature, true},
      {"signed-url", 42, Check::kWrongSignature, true},
      {"signed-sha256", 43, Check::kWrongSignature, false},
      {"signed-expires", 44, Check::kWrongSignature, true},
      {"signed-other-key", 45, Check::kWrongSignature, true},
      {"signature-truncated", 46, Check::kMalformed, true},
      {"signature-not-hex", 47, Check::kMalformed, true},
      {"signed-missing", 48, Check::kUnsigned, false},
      {"signed-expired", 49, Check::kExpired, true},
      {"package-changed", 50, Check::kAccepted, false},
      {"sha256-wrong", 51, Check::kUnsigned, false},
      {"sha256-right", 52, Check::kUnsigned, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string body = "{\"client_type_id\":" + std::to_string(c.id) + "}";
    std::optional<PackageOffer> offer;
    for (const std::string& url : {CheckUrl(stub), CheckUrl(stub, c.name)}) {
      offer = ReadVersionAnswer(Fetch(url, body.c_str()).body);
      ASSERT_TRUE(offer);
      EXPECT_EQ(CheckOffer(*offer, c.id, publicKey, now), c.check);
    }
    const Transfer package = Fetch(offer->url);
    EXPECT_EQ(package.body.size(), m_package.size());  // package-changed: one byte off
    PackageDigest digest;
    digest.Add(package.body.data(), package.body.size());
    EXPECT_EQ(offer->sha256 && DigestMatches(digest.FinishHex(), *offer->sha256), c.packageMatches);
  }
  // Without a key answers stay unsigned, and the scenarios that need one say so.
  StubProcess plain(Arguments());
  ASSERT_GT(plain.port(), 0);
  const std::optional<PackageOffer> good =
      ReadVersionAnswer(Fetch(CheckUrl(plain, "ok"), "{}").body);
  ASSERT_TRUE(good);
  EXPECT_FALSE(good->sha256 || good->expires || good->signature);
  EXPECT_EQ(Fetch(CheckUrl(plain, "signed-url"), "{}").status, 500);
}

TEST_F(VendorStubTest, DripsThePackageInPieces) {
  StubProcess stub(Arguments());
  ASSERT_GT(stub.port(), 0);
  const auto start = std::chrono::steady_clock::now();
  const Transfer package = Fetch(stub.baseUrl() + "/package/drip");
  EXPECT_EQ(package.code, CURLE_OK);
  EXPECT_TRUE(package.body == m_package);
  // 100003 bytes in 11 pieces of at most 10000 with 20 ms between them.
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  EXPECT_GT(package.writes, 1);
}

}  // namespace
}  // namespace update
