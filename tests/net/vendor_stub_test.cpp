// Native only: vendor-stub itself, the stand-in that every later test and the demo rely on.
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>

#include "net/http_post.h"
#include "stub_process.h"

namespace update {
namespace {

using std::chrono::seconds;
using testing::StubProcess;

struct Transfer {
  CURLcode code = CURLE_OK;
  long status = 0;
  std::string body;
  curl_off_t announcedLength = -1;
  long redirects = 0;
  int writes = 0;
};

size_t Append(char* data, size_t size, size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  transfer.body.append(data, size * count);
  ++transfer.writes;
  return size * count;
}

// A GET, or a POST of `postBody`; follows up to `maxRedirects` redirects when not negative.
Transfer Fetch(const std::string& url, const char* postBody = nullptr, long maxRedirects = -1) {
  Transfer transfer;
  CURL* handle = curl_easy_init();
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  if (postBody) curl_easy_setopt(handle, CURLOPT_POSTFIELDS, postBody);
  if (maxRedirects >= 0) {
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, maxRedirects);
  }
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &Append);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT, 60L);
  transfer.code = curl_easy_perform(handle);
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &transfer.status);
  curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &transfer.announcedLength);
  curl_easy_getinfo(handle, CURLINFO_REDIRECT_COUNT, &transfer.redirects);
  curl_easy_cleanup(handle);
  return transfer;
}

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
            "--drip-interval-ms", "20",         "--slow-ms",    "10"};
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
  const struct {
    const char* scenario;
    CURLcode code;
    long status;
    const std::string* body;     // null: not the package
    curl_off_t announcedLength;  // of the package; -1: none (chunked)
    long redirects;
  } cases[] = {
      {"ok", CURLE_OK, 200, &whole, size, 0},
      {"package-chunked", CURLE_OK, 200, &whole, -1, 0},
      {"package-redirect-5", CURLE_OK, 200, &whole, size, 5},
      {"package-redirect-6", CURLE_TOO_MANY_REDIRECTS, 302, nullptr, 0, 5},
      {"package-missing", CURLE_OK, 404, nullptr, 0, 0},
      {"package-truncated", CURLE_PARTIAL_FILE, 200, &half, size, 0},
      {"package-drip", CURLE_OK, 200, &whole, size, 0},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.scenario);
    const Transfer answer = Fetch(CheckUrl(stub, c.scenario), "{}");
    const std::string marker = R"("url":")";
    const size_t at = answer.body.find(marker);
    ASSERT_NE(at, std::string::npos) << answer.body;
    const std::string url = answer.body.substr(
        at + marker.size(), answer.body.find('"', at + marker.size()) - at - marker.size());
    ASSERT_EQ(url.rfind(stub.baseUrl() + "/package/", 0), 0u) << url;

    const Transfer package = Fetch(url, nullptr, 5);  // what the download worker allows
    EXPECT_EQ(package.code, c.code);
    EXPECT_EQ(package.status, c.status);
    EXPECT_EQ(package.redirects, c.redirects);
    if (c.body) {
      EXPECT_TRUE(package.body == *c.body) << "received " << package.body.size() << " bytes";
      EXPECT_EQ(package.announcedLength, c.announcedLength);
    } else if (c.status == 404) {
      EXPECT_NE(package.body.find("<html>"), std::string::npos) << package.body;
    }
  }
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
